# Run by CPack on the staged files before it builds the Debian package:
# compresses the manual pages and the changelog as Debian wants them
# (gzip -9n: no name, no time stamp), strips the compiler's notes from the
# programs, and with SOURCE_DATE_EPOCH set gives every file and folder that
# time, so the archive does not depend on when the files were built.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT IS_DIRECTORY "${root}/usr")
  message(FATAL_ERROR "no staged /usr under ${root}")
endif()

file(GLOB_RECURSE to_compress LIST_DIRECTORIES false
  "${root}/usr/share/man/*"
  "${root}/usr/share/doc/qorvane-switcher/changelog")
list(FILTER to_compress EXCLUDE REGEX "\\.gz$")
foreach(file IN LISTS to_compress)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file}: ${failed}")
  endif()
endforeach()

# CPack has stripped the programs already; this drops the compiler's notes
# too, as Debian's own packages do.
file(GLOB programs LIST_DIRECTORIES false "${root}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(
    COMMAND strip --remove-section=.comment --remove-section=.note "${program}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip ${program}: ${failed}")
  endif()
endforeach()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(
    COMMAND find "${root}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "setting the staged files' times: ${failed}")
  endif()
endif()
