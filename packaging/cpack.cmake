# The Debian package: `cmake --build build --target package` (or `cpack` in the build folder)
# writes drawlume_<version>_amd64.deb with everything the install rules put under /usr.
# The maintainer is DRAWLUME_PACKAGE_MAINTAINER (packaging/CMakeLists.txt).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drawlume)
set(CPACK_PACKAGE_VENDOR Marrowin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turns photographs into pencil drawings, watercolors and paintings")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/marrowin/drawlume)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DRAWLUME_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CPACK_PACKAGE_HOMEPAGE_URL})
# The libraries the programs link are found by dpkg-shlibdeps; the Qt plugins they load (TIFF and
# WebP pictures) are not linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
# Help > User Manual hands the manual to the desktop's web browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# The extended description; cpack puts the summary above it and indents its lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Drawlume turns photographs into artwork: pencil drawings in lead or coloured
pencils, watercolors, oil pastels and oil paintings, each optionally printed
on a paper or canvas texture. A panel holds the settings of the chosen filter
with a live preview; documents (.drawlume) keep a picture together with its
filter and settings.

The package also holds drawlume-render, which renders pictures and batches
from the command line with the same filters, its manual page and its bash
completion.")
# The desktop-entry, MIME and icon caches are refreshed by the triggers of desktop-file-utils,
# shared-mime-info and the icon themes; the package needs no maintainer scripts of its own.

include(CPack)
