# Builds the help as one web page from the sources of the .chm: index.html with the
# contents of toc.hhc as a list of links under its title (the .chm viewer's contents pane).
# cmake -DPAGES=<help folder> -DOUTPUT=<page> -P HelpPage.cmake
file(READ ${PAGES}/index.html page)
file(READ ${PAGES}/toc.hhc toc)

string(REGEX MATCHALL
    "<param name=\"Name\" value=\"[^\"]*\"><param name=\"Local\" value=\"index\\.html#[^\"]*\">"
    entries "${toc}")
if(NOT entries)
    message(FATAL_ERROR "toc.hhc names no section of index.html")
endif()
set(contents "<nav>\n<h2>Contents</h2>\n<ul>\n")
foreach(entry ${entries})
    string(REGEX REPLACE ".*name=\"Name\" value=\"([^\"]*)\".*value=\"index\\.html(#[^\"]*)\".*"
        "<li><a href=\"\\2\">\\1</a></li>" item "${entry}")
    string(APPEND contents "${item}\n")
endforeach()
string(APPEND contents "</ul>\n</nav>\n")

string(FIND "${page}" "</h1>\n" title_end)
if(title_end LESS 0)
    message(FATAL_ERROR "index.html has no title heading")
endif()
math(EXPR insert_at "${title_end} + 6")
string(SUBSTRING "${page}" 0 ${insert_at} head)
string(SUBSTRING "${page}" ${insert_at} -1 rest)
file(WRITE ${OUTPUT} "${head}${contents}${rest}")
