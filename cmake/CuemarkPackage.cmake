# The Debian package, by CPack's DEB generator: cuemark_VERSION_ARCH.deb with
# the installed layout under /usr. dpkg-shlibdeps works out the libraries the
# binaries need; what they open only at run time is named by hand.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cuemark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "Cuemark developers <cuemark@tavrel.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Cuemark developers <cuemark@tavrel.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrel.org/cuemark/")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time subtitles to a film by holding a key while it plays")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Cuemark re-times subtitle files (SubRip, MicroDVD, SAMI) against a video or
audio file: while the film plays, hold the action key for as long as the
current title should be on screen. It measures your reaction time and takes
it off, shows the sound as a waveform with draggable title edges, syncs a
file made for another release automatically, and keeps every change on disk
so that a crash loses nothing. cuemark-cli converts, re-times and syncs
files in batches.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, which the binaries find by their run paths.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# Opened at run time, so no binary names them: Qt's platform plugins and the
# GStreamer elements the player plays films with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
