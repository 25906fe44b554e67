# velmo_table_fields(ROW MACRO COUNT OUT): the COUNT fields of one row "MACRO(a, "b", ...)" of an
# X-macro table (src/plugin/*.def) as a list in OUT, quotes removed; a row of another shape stops
# the configuration, so that the build never reads a table differently from the code.
include_guard(GLOBAL)

function(velmo_table_fields row macro count out)
  string(REGEX REPLACE "^${macro}\\((.*)\\)$" "\\1" fields "${row}")
  string(REPLACE "\"" "" fields "${fields}")
  string(REPLACE ", " ";" fields "${fields}")
  list(LENGTH fields found)
  if(NOT found EQUAL count)
    message(FATAL_ERROR "Unreadable ${macro} row: ${row}")
  endif()
  set(${out} "${fields}" PARENT_SCOPE)
endfunction()
