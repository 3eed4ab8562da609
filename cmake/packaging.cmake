# Release packages through CPack: the Windows zip when cross-building for
# Windows, the Debian package on Linux.
if(WIN32)
  # Windows zip.
else()
  # Debian package.
endif()
