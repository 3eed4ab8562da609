# The time every file in the release packages carries, in SOURCE_DATE_EPOCH:
# the value already in the environment wins; otherwise, in a git checkout,
# the last commit's time; in a source tree without git (unpacked from a
# tarball), the time of the top entry of packaging/debian/changelog, as
# Debian's own tools take it.
#
# CPack reads this file as the project's configuration, before it strips a
# program or writes an archive, so `cpack` alone makes reproducible packages;
# `cmake -P cmake/source-date-epoch.cmake` prints the time.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  get_filename_component(source "${CMAKE_CURRENT_LIST_DIR}" DIRECTORY)
  if(EXISTS "${source}/.git")
    set(command git log -1 --format=%ct)
  else()
    set(command dpkg-parsechangelog -l packaging/debian/changelog -STimestamp)
  endif()
  execute_process(COMMAND ${command} WORKING_DIRECTORY "${source}"
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed)
  if(NOT failed AND epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  elseif(CMAKE_SCRIPT_MODE_FILE)
    message(FATAL_ERROR "No SOURCE_DATE_EPOCH: `${command}` failed")
  else()
    message(WARNING "No SOURCE_DATE_EPOCH (`${command}` failed): the"
                    " packages get the present time and are not reproducible")
  endif()
endif()
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "$ENV{SOURCE_DATE_EPOCH}")
endif()
