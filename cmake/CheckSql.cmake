# Fails the build when
#  - SQL (QSqlQuery, a connection's handle(), statement text such as
#    "SELECT ... FROM", "INSERT INTO", "UPDATE x SET", "DELETE FROM") appears
#    outside src/data, the operations (src/*/ops) and src/reports/engine;
#  - an operation (src/*/ops) includes a widget header or a header from above
#    the data layer (ui, app, or a subsystem's windows).
# Files named in ALLOW (one path under src a line, # starts a comment) may
# still hold SQL while it moves into operations; the list only shrinks. A
# listed file that no longer holds SQL is reported so it can come off.
# Run as: cmake -DSRC=<src folder> -DALLOW=<list file> [-DWIDGETS=<QtWidgets include dir>] -P CheckSql.cmake

set(allowed "")
if(ALLOW AND EXISTS ${ALLOW})
  file(STRINGS ${ALLOW} allow_lines)
  foreach(line ${allow_lines})
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" line)
    if(line)
      list(APPEND allowed "${line}")
    endif()
  endforeach()
endif()

# Statement text is looked for in lower case, inside string literals.
set(sql_patterns
  "qsqlquery"
  "[.>]handle\\(\\)"
  "\"[^\"]*select [^\"]*[ ,)]from[ (]"
  "\"[ \t]*from [a-z_.]+[ \t]*(where|order|group|inner|left|join|as|,|\")"
  "\"[^\"]*insert into "
  "\"[^\"]*update [a-z_.]+ set "
  "\"[ \t(]*select (distinct )?[a-z_.*]+[ \t]*(,|as |from )"
  "\"[^\"]*delete ([a-z_]+\\.[a-z_*]+ )?from ")

set(widget_headers "")
if(WIDGETS AND IS_DIRECTORY ${WIDGETS})
  file(GLOB widget_headers RELATIVE ${WIDGETS} ${WIDGETS}/Q*)
endif()
list(APPEND widget_headers QtWidgets)

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(violations "")
set(stale "")
foreach(f ${files})
  set(in_ops FALSE)
  if(f MATCHES "^[^/]+/ops/")
    set(in_ops TRUE)
  endif()
  if(in_ops)
    file(STRINGS ${SRC}/${f} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      if(line MATCHES "<(QtWidgets/)?([A-Za-z]+)>")
        list(FIND widget_headers "${CMAKE_MATCH_2}" at)
        if(NOT at EQUAL -1)
          string(APPEND violations "  ${f}: a widget include in an operation: ${line}\n")
        endif()
      elseif(line MATCHES "\"([^/\"]+)/([^\"]*)\"")
        set(folder "${CMAKE_MATCH_1}")
        set(rest "${CMAKE_MATCH_2}")
        if(NOT folder STREQUAL "data" AND NOT rest MATCHES "^ops/")
          string(APPEND violations "  ${f}: an operation includes from above the data layer: ${line}\n")
        endif()
      endif()
    endforeach()
    continue()
  endif()
  if(f MATCHES "^data/" OR f MATCHES "^reports/engine/")
    continue()
  endif()
  file(STRINGS ${SRC}/${f} lines)
  set(found "")
  foreach(line ${lines})
    if(line MATCHES "^[ \t]*//")
      continue()
    endif()
    string(TOLOWER "${line}" lower)
    foreach(p ${sql_patterns})
      if(lower MATCHES "${p}")
        string(STRIP "${line}" shown)
        string(APPEND found "    ${shown}\n")
        break()
      endif()
    endforeach()
  endforeach()
  list(FIND allowed "${f}" listed)
  if(found AND listed EQUAL -1)
    string(APPEND violations "  ${f}: SQL outside the data layer and the operations:\n${found}")
  elseif(NOT found AND NOT listed EQUAL -1)
    string(APPEND stale "  ${f}\n")
  endif()
endforeach()
if(stale)
  message(STATUS "These files hold no SQL any more; take them off ${ALLOW}:\n${stale}")
endif()
if(violations)
  message(FATAL_ERROR "${violations}Move the statements into an operation (src/<subsystem>/ops) or the data layer.")
endif()
