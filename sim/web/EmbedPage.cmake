# Writes the web view's page into a C++ source: view.html with view.css and
# view.js in place of @VIEW_CSS@ and @VIEW_JS@.
#   cmake -DPAGE_DIR=... -DOUTPUT=... -P EmbedPage.cmake
file(READ ${PAGE_DIR}/view.html page)
file(READ ${PAGE_DIR}/view.css style)
file(READ ${PAGE_DIR}/view.js script)
string(REPLACE "@VIEW_CSS@" "${style}" page "${page}")
string(REPLACE "@VIEW_JS@" "${script}" page "${page}")
string(FIND "${page}" ")swmview\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "the page holds the end mark of the raw string")
endif()
file(WRITE ${OUTPUT}.new "// Written by sim/web/EmbedPage.cmake from sim/web/page/: do not edit.\n#include \"sim/web/WebPage.h\"\nnamespace sim::web {\nconst char kViewPage[] = R\"swmview(${page})swmview\";\n}\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
