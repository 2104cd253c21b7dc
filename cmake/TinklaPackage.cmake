# The Debian package: `cpack -G DEB` in the build folder writes tinkla_<version>_<arch>.deb.
# Library dependencies come from dpkg-shlibdeps; the rest are what the program loads at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tinkla)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "electronic keyboard for young children")
set(CPACK_PACKAGE_DESCRIPTION
    "Tinkla is a friendly five-octave piano keyboard for young children, played
with the mouse or the computer keyboard and heard at once through a built-in
synthesizer. It offers the 128 General MIDI instruments, two children's songs,
a play-along mode that leaves the melody to the child, and recording to MIDI
files.")
set(CPACK_PACKAGE_CONTACT "${TINKLA_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TINKLA_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's X11 and Wayland platform plugins,
# the General MIDI SoundFont and the Chinese fonts standing in for the window's faces.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fluid-soundfont-gm, fonts-arphic-uming, fonts-arphic-ukai, fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
