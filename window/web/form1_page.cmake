# Puts Form1 and the site's words, as form1-page makes them from the layout
# table and the texts, into the site's page and its web app manifest, with
# the page's style sheet inline (the page lays out without waiting for a
# second file) and allowed by its hash in the page's policy:
# cmake -Dnode=... -Dprogram=form1-page.js -Dpage=index.html.in
# -Dmanifest=manifest.webmanifest.in -Dstyle=style.css -Dsite=...
# -P form1_page.cmake
foreach(part html templates css title notice name short_name)
  # Node 20 has a fetch that Emscripten 3.1.6's loader must not use.
  execute_process(
    COMMAND ${node} --no-experimental-fetch ${program} ${part}
    OUTPUT_VARIABLE ${part} OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${program} ${part} failed: ${failed}")
  endif()
endforeach()
file(READ ${style} sheet)
string(APPEND sheet "${css}\n")
set(sheet_file ${site}/style.css.tmp)
file(WRITE ${sheet_file} "${sheet}")
execute_process(
  COMMAND ${node} -e "process.stdout.write(require('crypto').createHash(\
'sha256').update(require('fs').readFileSync(process.argv[1])).digest(\
'base64'))" ${sheet_file}
  OUTPUT_VARIABLE hash RESULT_VARIABLE failed)
file(REMOVE ${sheet_file})
if(failed OR hash STREQUAL "")
  message(FATAL_ERROR "hashing the style sheet failed: ${failed}")
endif()
# The words first, so that nothing put in after them is read for a
# placeholder.
file(READ ${page} text)
string(REPLACE "@TITLE@" "${title}" text "${text}")
string(REPLACE "@NOTICE@" "${notice}" text "${text}")
string(REPLACE "@FORM1@" "${html}\n" text "${text}")
string(REPLACE "@TEMPLATES@" "${templates}\n" text "${text}")
string(REPLACE "@STYLE_HASH@" "sha256-${hash}" text "${text}")
string(REPLACE "@STYLE@" "${sheet}" text "${text}")
file(WRITE ${site}/index.html "${text}")
file(READ ${manifest} text)
string(REPLACE "@NAME@" "${name}" text "${text}")
string(REPLACE "@SHORT_NAME@" "${short_name}" text "${text}")
file(WRITE ${site}/manifest.webmanifest "${text}")
