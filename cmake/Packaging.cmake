# A Debian package of the programs, the desktop entry, the file types and the
# icon: "cpack -G DEB" in the build folder. Debian's own triggers refresh the
# MIME and desktop databases when the package is installed or removed.
set(CPACK_PACKAGE_NAME "kdx-panel-tools")
set(CPACK_PACKAGE_VENDOR "KDX")
# Who answers for the package: set by the packager when configuring
# (-DKDX_PACKAGE_MAINTAINER="Name <address>"); it also signs the changelog.
set(KDX_PACKAGE_MAINTAINER "KDX panel tool chain maintainers <maintainers@kdx-panel-tools.example.org>"
    CACHE STRING "Maintainer of the Debian package: a name and a mail address")
set(CPACK_PACKAGE_CONTACT "${KDX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KDX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Editor, compiler and uploader for serial touch-screen terminals")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION "Draw the pages of a touch-screen terminal (KDX_TE), compile them into the
terminal's memory image (KDX_TC), upload it over a serial port (KDX_TU,
kdx upload), simulate the panel (KDX_TS), check projects and test them
under scripts in continuous integration (kdx check, kdx simulate).")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
# Libraries found by dpkg-shlibdeps; what the programs load at run time
# besides (the platform plugin, the terminal font, Qt's Chinese texts) named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-zenhei, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
