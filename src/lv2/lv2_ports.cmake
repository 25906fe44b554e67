# Writes the Turtle of the LV2 control ports from the parameter table (src/plugin/param_table.def),
# so that the ports can never disagree with the code. velmo_lv2_control_ports(OUT FIRST_INDEX)
# sets OUT to the port blocks, numbered from FIRST_INDEX, each starting with " , [".
set(VELMO_PARAM_TABLE ${PROJECT_SOURCE_DIR}/src/plugin/param_table.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELMO_PARAM_TABLE})

function(velmo_lv2_control_ports out first_index)
  file(STRINGS ${VELMO_PARAM_TABLE} rows REGEX "^PARAM\\(")
  set(text "")
  foreach(row IN LISTS rows)
    # PARAM(index, id, "symbol", "title", "short title", "units", min, max, default, FLAG)
    string(REGEX REPLACE "^PARAM\\((.*)\\)$" "\\1" fields "${row}")
    string(REPLACE "\"" "" fields "${fields}")
    string(REPLACE ", " ";" fields "${fields}")
    list(LENGTH fields count)
    if(NOT count EQUAL 10)
      message(FATAL_ERROR "Unreadable row in ${VELMO_PARAM_TABLE}: ${row}")
    endif()
    list(GET fields 0 row_index)
    list(GET fields 2 symbol)
    list(GET fields 3 title)
    list(GET fields 6 minimum)
    list(GET fields 7 maximum)
    list(GET fields 8 default)
    list(GET fields 9 flag)
    math(EXPR index "${first_index} + ${row_index}")
    if(flag STREQUAL "READ_ONLY")
      set(direction lv2:OutputPort)
    else()
      set(direction lv2:InputPort)
    endif()
    string(APPEND text " , [
		a ${direction} ,
			lv2:ControlPort ;
		lv2:index ${index} ;
		lv2:symbol \"${symbol}\" ;
		lv2:name \"${title}\" ;
		lv2:portProperty lv2:integer ;
		lv2:default ${default} ;
		lv2:minimum ${minimum} ;
		lv2:maximum ${maximum}
	]")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
