# Release packages through CPack: the Windows zip when cross-building for
# Windows, the Debian package on Linux.
if(WIN32)
  # Windows zip: qorvane-switcher-1.00-windows-x64.zip, one folder with both
  # programs (stripped), the user guide and the licence. From a build folder
  # made with cmake/mingw-w64-x86_64.cmake: `cmake --build .` then `cpack`.
  #
  # The guide goes in with a byte-order mark and CR LF line ends, which
  # Notepad before Windows 10 needs to read UTF-8 text as lines.
  set(guide ${PROJECT_SOURCE_DIR}/docs/windows-guide.zh-CN.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${guide})
  file(READ ${guide} text)
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 byte_order_mark)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/README.txt
    CONTENT "${byte_order_mark}${text}" @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME qorvane-switcher)
  set(CPACK_PACKAGE_VENDOR "the QorvaneADVANCE switcher authors")
  set(CPACK_PACKAGE_VERSION ${QORVANE_VERSION_TEXT})
  set(CPACK_PACKAGE_FILE_NAME
    qorvane-switcher-${QORVANE_VERSION_TEXT}-windows-x64)
  set(CPACK_STRIP_FILES ON)
  # The same sources make the same zip (SOURCE_DATE_EPOCH, or else the last
  # commit's time, for every time in it).
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/reproducible-zip.cmake)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/reproducible-zip.cmake)
  set(CPACK_QORVANE_SOURCE_DIR ${PROJECT_SOURCE_DIR})
  include(CPack)
else()
  # Debian package.
endif()
