# Makes the zips (the Windows programs' and the site's) reproducible: the
# same sources give the same zip.
# CPack runs this once the zip is made (with SOURCE_DATE_EPOCH set by
# cmake/source-date-epoch.cmake): Debian's strip-nondeterminism gives every
# entry that time and drops the extra fields that record when the files were
# staged.
find_program(strip_nondeterminism strip-nondeterminism)
if(NOT strip_nondeterminism OR NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  message(WARNING "The zip is not reproducible: that takes strip-nondeterminism"
                  " and SOURCE_DATE_EPOCH")
  return()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${strip_nondeterminism} --type zip
                          --timestamp $ENV{SOURCE_DATE_EPOCH} ${package}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip-nondeterminism failed on ${package}")
  endif()
endforeach()
