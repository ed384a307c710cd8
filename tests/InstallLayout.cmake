# Installs the build into a folder of its own and checks that the program finds everything it
# loads beside itself there: the media process, both plug-ins, the skin, the chime and the texts.
#   cmake -DBUILD=<build folder> -DPREFIX=<empty folder> -P InstallLayout.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} RESULT_VARIABLE result
  OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(folder ${PREFIX}/lib/sorlin)
foreach(name sorlin sorlin-media ifqtimage.spi axarchive.spi Sorlin.ini Sorlin.png Chimes.wav readme.txt
        history.txt skin.txt sorlin.png)
  if(NOT EXISTS ${folder}/${name})
    message(FATAL_ERROR "${name} is not installed beside the program")
  endif()
endforeach()
file(READ_SYMLINK ${PREFIX}/bin/sorlin link)
if(NOT link STREQUAL "../lib/sorlin/sorlin")
  message(FATAL_ERROR "bin/sorlin links to '${link}'")
endif()
file(REMOVE_RECURSE ${PREFIX})
