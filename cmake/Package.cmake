# The Debian package: `cpack -G DEB` in a build configured with
# CMAKE_INSTALL_PREFIX=/usr (scripts/package). Its dependencies are computed
# from the libraries the programs and the plugin link against.
set(CPACK_PACKAGE_NAME spritewright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Spritewright developers")
set(CPACK_PACKAGE_CONTACT "The Spritewright developers <maintainers@spritewright.invalid>"
  CACHE STRING "The package's maintainer, name and address")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and converter for DC6 sprites")
set(CPACK_PACKAGE_DESCRIPTION
  "Spritewright edits and converts DC6 sprites, the palettised, run-length-encoded
sprite format of the game Diablo: a window to browse and edit sprites, a
command-line program for every conversion, a thumbnailer for file managers
and a Qt image format plugin through which any Qt 6 program reads DC6 files.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SPRITEWRIGHT_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The file type and the icons take effect through the first three; the
# Chinese window needs a CJK font, and Qt's translations for its own buttons
# and dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "shared-mime-info, desktop-file-utils, hicolor-icon-theme, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
