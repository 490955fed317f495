# The Debian package of the program, made by CPack from the install rules
# (scripts/package builds it). The library dependencies come from
# dpkg-shlibdeps; the packages the program loads at run time without linking
# them are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvix)
set(CPACK_PACKAGE_VENDOR "Quorvix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop host for programmers' editing tools")
set(CPACK_PACKAGE_DESCRIPTION "Quorvix 2 is a desktop host for programmers' editing tools: a frame window with
document windows, dockable toolbars, a documents panel and a notepad, where
every document type and tool comes from a plug-in. Comes with the text and
script editor, the hex editor, the image viewer, the rich-text editor and the
character map, its own script language with the command-line runner
qxscript, and the SDK for writing plug-ins.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvix developers <dev@quorvix.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The host library lives in the program's own folder, found by RUNPATH.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
# The windowing-system plug-ins of Qt, and the SVG icon engine and image
# plug-ins of libqt6svg6 (loaded, not linked).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# Recommended: Qt's Czech texts, the icons, more picture formats for the image
# viewer, xdg-utils (mail goes to the desktop's mail client through
# xdg-email) and Universal Ctags (the symbol outline).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "qt6-translations-l10n, adwaita-icon-theme, qt6-image-formats-plugins, xdg-utils, universal-ctags")
# The SDK (headers and the CMake package) is part of the same package: a
# plug-in is built against the host library the program itself uses.
include(CPack)
