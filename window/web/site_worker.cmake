# Writes the site's service worker once the rest of the site is built, with
# the list of the site's files, each with its SHA-256 (the fetch's
# integrity, base64), and a cache named by a hash of them all, so that each
# build keeps a cache of its own:
# cmake -Dnode=... -Dsite=... -Dfiles="index.html;..." -Dtemplate=sw.js.in
# -P site_worker.cmake
set(entries "")
set(hashes "")
foreach(file ${files})
  execute_process(
    COMMAND ${node} -e "process.stdout.write(require('crypto').createHash(\
'sha256').update(require('fs').readFileSync(process.argv[1])).digest(\
'base64'))" ${site}/${file}
    OUTPUT_VARIABLE hash RESULT_VARIABLE failed)
  if(failed OR hash STREQUAL "")
    message(FATAL_ERROR "hashing ${file} failed: ${failed}")
  endif()
  list(APPEND entries "[\"${file}\", \"sha256-${hash}\"]")
  string(APPEND hashes "${hash} ${file}\n")
endforeach()
string(SHA256 SITE_HASH "${hashes}")
string(SUBSTRING ${SITE_HASH} 0 16 SITE_HASH)
list(JOIN entries ",\n  " SITE_FILES)
configure_file(${template} ${site}/sw.js @ONLY)
