# Puts Form1, as form1-page makes it from the layout table, into the site's
# page and style sheet: cmake -Dnode=... -Dprogram=form1-page.js
# -Dpage=index.html -Dstyle=style.css -Dsite=... -P form1_page.cmake
foreach(part html css)
  # Node 20 has a fetch that Emscripten 3.1.6's loader must not use.
  execute_process(
    COMMAND ${node} --no-experimental-fetch ${program} ${part}
    OUTPUT_VARIABLE ${part} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${program} ${part} failed: ${failed}")
  endif()
endforeach()
file(READ ${page} text)
string(REPLACE "@FORM1@" "${html}" text "${text}")
file(WRITE ${site}/index.html "${text}")
file(READ ${style} text)
file(WRITE ${site}/style.css "${text}${css}")
