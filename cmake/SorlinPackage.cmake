# The Debian package (cpack -G DEB in the build folder): what `cmake --install` lays out, under
# /usr. Its dependencies are the run-time libraries the shipped programs and plug-ins link (found
# by dpkg-shlibdeps) and what they load by name at run time: GStreamer's element plug-ins, Qt's
# platform plug-ins and the Japanese font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sorlin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Sorlin developers")
set(CPACK_PACKAGE_CONTACT "${SORLIN_MAIL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "media player and desk clock in a small skinned window")
set(CPACK_PACKAGE_DESCRIPTION "Sorlin plays media files, audio CDs, DVDs with their menus, Video CDs, folders,
M3U playlists, archives and http addresses in a small window drawn from a skin. While nothing plays
it is a clock, a stopwatch with a countdown alarm and a schedule that plays media or starts
programs at set times.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Sorlin developers <${SORLIN_MAIL}>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The plug-ins (*.spi) are found beside the program, not on the library path.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, \
gstreamer1.0-plugins-ugly, gstreamer1.0-libav, qt6-qpa-plugins, fonts-ipafont-gothic")
# The desktop entry's actions speak to the player through dbus-send.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "dbus-bin, qt6-wayland")
include(CPack)
