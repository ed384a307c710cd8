# sorlin_expose_headers(<target> <folder>)
#
# Gives a library an include tree of its own instead of the source root:
# ${CMAKE_BINARY_DIR}/headers/<target>/<folder>/ holds a link to each header in the target's source
# list (sub-folders kept, so platform's "susie/SusiePlugin.h" is "platform/susie/SusiePlugin.h"), and that
# tree is the target's public include directory. A file reaches "<folder>/Name.h" only through a
# target that links <target>, so including a header of a library one does not link, such as the
# player's from an engine, fails to compile. Headers keep the spelling the code uses
# ("platform/Log.h", "media/Media.h"), and a header that includes a sibling by bare name
# ("State.h") finds it beside itself in the tree.
#
# Every header under the target's source folder must be in its source list (headers in a sub-folder
# with a CMakeLists.txt of its own belong to that folder's target): one left out would be missing
# from the tree and a sibling's bare include of it would fail far from the cause, so the configure
# stops and names it.
function(sorlin_expose_headers target folder)
  get_target_property(type ${target} TYPE)
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  if(NOT sources)
    set(sources "")
  endif()

  set(tree ${CMAKE_BINARY_DIR}/headers/${target})
  # Made anew on every configure, so a header taken off the list leaves the tree too.
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${tree}/${folder})

  set(listed "")
  foreach(source IN LISTS sources)
    if(NOT source MATCHES "\\.h$")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE OUTPUT_VARIABLE header)
    cmake_path(RELATIVE_PATH header BASE_DIRECTORY ${source_dir} OUTPUT_VARIABLE relative)
    if(relative MATCHES "^\\.\\./" OR IS_ABSOLUTE "${relative}")
      message(FATAL_ERROR "${target}: header ${source} lies outside ${source_dir}")
    endif()
    set(link ${tree}/${folder}/${relative})
    cmake_path(GET link PARENT_PATH link_dir)
    file(MAKE_DIRECTORY ${link_dir})
    file(CREATE_LINK ${header} ${link} SYMBOLIC)
    list(APPEND listed ${relative})
  endforeach()

  file(GLOB_RECURSE on_disk LIST_DIRECTORIES false RELATIVE ${source_dir} ${source_dir}/*.h)
  set(unlisted "")
  foreach(relative IN LISTS on_disk)
    if(relative IN_LIST listed)
      continue()
    endif()
    # A header in a sub-folder that is a target of its own is that target's business.
    set(owned_elsewhere FALSE)
    cmake_path(GET relative PARENT_PATH dir)
    while(dir)
      if(EXISTS ${source_dir}/${dir}/CMakeLists.txt)
        set(owned_elsewhere TRUE)
        break()
      endif()
      cmake_path(GET dir PARENT_PATH dir)
    endwhile()
    if(NOT owned_elsewhere)
      list(APPEND unlisted ${relative})
    endif()
  endforeach()
  if(unlisted)
    list(JOIN unlisted " " unlisted)
    message(FATAL_ERROR "${target}: header(s) ${unlisted} in ${source_dir} are not in the target's "
      "source list; list them so that its include tree has them")
  endif()

  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${tree}>)
  else()
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${tree}>)
  endif()
endfunction()
