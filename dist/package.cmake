# The Debian package, made by CPack from the install rules above, so that the
# package, scripts/install.sh and the tests install the same files. Build it
# with scripts/package.sh, which passes Debian's hardening flags and installs
# under /usr: harumoka_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harumoka)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ハルモカの開発者")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_HARUMOKA_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_package.cmake)
# Only where the package installs: a lintian override means nothing in ~/.local.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME harumoka)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ハルモカの開発者 <harumoka@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "class accounts for one school year (学級会計)
Harumoka is for the class teacher or the parent who keeps the money of one
school class for one school year. It records the money collected from the
households and every expense with its receipt number and detail lines, shows
the money remaining, sums up each term, each half and the year with the
carry-over, and prints the ledger and the accounting report of each period,
or writes them as PDF or CSV files, also from the command line.

Its windows, messages and printouts are Japanese.")
# The libraries come from dpkg-shlibdeps; what the linker does not see is
# named here: libcups (opened when a printout is first sent), the fonts that
# stand in for the Windows fonts of the design (IPA, else Noto CJK), Qt's
# Japanese strings (calendar, standard buttons) and Qt's platform plugins
# (X11; Wayland is recommended). Noto CJK is recommended beside the IPA
# fonts: it has the names they lack (𠮷), on screen and in the printouts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libcups2 (>= 1.7.0), fonts-ipafont-mincho | fonts-noto-cjk, fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-noto-cjk")
include(CPack)
