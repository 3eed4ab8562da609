# Writes the site's service worker once the rest of the site is built: its
# cache is named by a hash of the site's files (each file's SHA-256, hashed
# again in the order given), so that each build keeps a cache of its own.
# cmake -Dsite=... -Dfiles="index.html;..." -Dtemplate=sw.js.in
# -P site_worker.cmake
set(hashes "")
foreach(file ${files})
  file(SHA256 ${site}/${file} hash)
  string(APPEND hashes "${hash} ${file}\n")
endforeach()
string(SHA256 SITE_HASH "${hashes}")
string(SUBSTRING ${SITE_HASH} 0 16 SITE_HASH)
list(JOIN files "\", \"" SITE_FILES)
set(SITE_FILES "\"${SITE_FILES}\"")
configure_file(${template} ${site}/sw.js @ONLY)
