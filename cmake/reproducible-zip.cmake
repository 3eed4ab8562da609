# Makes the Windows zip reproducible: the same sources give the same zip.
# CPack reads this file twice.
#
# First, as the project's CPack configuration: without SOURCE_DATE_EPOCH
# in the environment, it sets it to the last commit's time, so that strip
# writes that time, not the present one, into the programs' PE headers.
if(NOT DEFINED CPACK_PACKAGE_FILES)
  if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    execute_process(COMMAND git log -1 --format=%ct
      WORKING_DIRECTORY "${CPACK_QORVANE_SOURCE_DIR}"
      OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(epoch MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${epoch})
    endif()
  endif()
  return()
endif()

# Then once the zip is made: Debian's strip-nondeterminism gives every entry
# that time and drops the extra fields that record when the files were
# staged.
find_program(strip_nondeterminism strip-nondeterminism)
if(NOT strip_nondeterminism OR NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  message(WARNING "The zip is not reproducible: that takes strip-nondeterminism"
                  " and SOURCE_DATE_EPOCH or a git checkout")
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
