# Release packages through CPack: the Windows zip when cross-building for
# Windows, the site's zip when building the browser page with Emscripten,
# the Debian package on Linux. Every time stamp in each is
# SOURCE_DATE_EPOCH, which cmake/source-date-epoch.cmake sets where it is
# missing, so the same sources make the same packages.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/source-date-epoch.cmake)
set(CPACK_PACKAGE_NAME qorvane-switcher)
set(CPACK_PACKAGE_VENDOR "the QorvaneADVANCE switcher authors")
set(CPACK_PACKAGE_VERSION ${QORVANE_VERSION_TEXT})
if(EMSCRIPTEN OR WIN32)
  # Both zips are made reproducible by one script once CPack has written them.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible-zip.cmake)
  # Both carry the user guide in Simplified Chinese (the Windows programs
  # and the page, on phones too) as README.txt, and the licence. The guide
  # goes in with a byte-order mark and CR LF line ends, which Notepad before
  # Windows 10 needs to read UTF-8 text as lines.
  set(guide ${PROJECT_SOURCE_DIR}/docs/guide.zh-CN.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${guide})
  file(READ ${guide} text)
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 byte_order_mark)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/README.txt
    CONTENT "${byte_order_mark}${text}" @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION .)
endif()
if(EMSCRIPTEN)
  # The site's zip: qorvane-switcher-1.00-web.zip, the static site (the build
  # folder's site/) at its root, to put in any web server's folder, with
  # the guide and the licence beside it. From the
  # preset "dist-web": `cpack --preset dist-web` after its build.
  install(DIRECTORY ${PROJECT_BINARY_DIR}/site/ DESTINATION .)
  set(CPACK_PACKAGE_FILE_NAME qorvane-switcher-${QORVANE_VERSION_TEXT}-web)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(WIN32)
  # Windows zip: qorvane-switcher-1.00-windows-x64.zip, one folder with both
  # programs (stripped), the guide and the licence. From a build folder
  # made with cmake/mingw-w64-x86_64.cmake (the presets "windows" and
  # "dist-win"): `cpack --preset dist-win` after the build.
  set(CPACK_PACKAGE_FILE_NAME
    qorvane-switcher-${QORVANE_VERSION_TEXT}-windows-x64)
  set(CPACK_STRIP_FILES ON)
else()
  # Debian package: `cpack --preset dist-deb` after the build makes
  # qorvane-switcher_1.00_amd64.deb from the install rules, under /usr.
  include(GNUInstallDirs)
  set(QORVANE_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
  set(QORVANE_DEB_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/qorvane-switcher)

  # What the package carries beside the programs, desktop entry, metainfo,
  # icons and the CLI's manual page: the window program's manual page, the
  # copyright and the changelog. The pre-build script compresses manual
  # pages and the changelog in the package.
  if(QORVANE_BUILD_WINDOW)
    install(FILES ${QORVANE_PACKAGING}/qorvane-switcher.1
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
  install(FILES ${QORVANE_PACKAGING}/debian/copyright
                ${QORVANE_PACKAGING}/debian/changelog
    DESTINATION ${QORVANE_DEB_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_CONTACT
    "the QorvaneADVANCE switcher authors <maintainers@example.org>")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CPACK_PRE_BUILD_SCRIPTS ${QORVANE_PACKAGING}/deb-pre-build.cmake)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME qorvane-switcher)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${QORVANE_VERSION_TEXT})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.example.org/)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "switch QorvaneADVANCE ROM images between Chinese script editions")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small tool that converts a Game Boy Advance ROM image of the Lumek group's
enhanced Chinese localisation of QorvaneADVANCE between its simplified- and
traditional-Chinese script editions, in place. It recognises the edition
from a signature in the file and rewrites only the 35 bytes that differ;
nothing else in the file changes.

The package holds the window program (in Simplified Chinese) and the
command-line companion qorvane-switcher-cli for scripts and batch use.")
  # Library dependencies come from the binaries. Without a CJK font the
  # window shows boxes instead of its labels, so the font is a dependency;
  # Qt's translations only turn the open dialog and two buttons from English
  # into Chinese, so they are recommended.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-noto-cjk)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
endif()
include(CPack)
