# "cpack -G DEB" in a build folder makes one Debian package of both programs;
# scripts/package.sh builds it with Debian's own compiler flags.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plinkavorte)
set(CPACK_PACKAGE_VENDOR "The Plinkavorte developers")
set(PLK_PACKAGE_MAINTAINER "The Plinkavorte developers <plinkavorte@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PLK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION
"Plinkavorte turns a pile of photographs into a ZIP archive of good-looking
JPEG thumbnails, ready to mail or to put on a web page. It reads JPEG, HEIC,
HEIF and AVIF (as phones save them), PNG, WebP, TIFF and camera RAW. Drop
files and folders onto its list, pick the thumbnail size and, if you like,
a frame, name a ZIP file and press GO. Each picture is scaled with a
Lanczos-3 filter and stored in the archive under its own file name; after
every picture the archive on disk is complete.

plinkavorte-batch does the same job from a shell.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link decide the dependencies, whatever is added later.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Compressed manual pages, the copyright and the changelog, as Debian wants them.
set(CPACK_PLK_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianDocs.cmake)
include(CPack)
