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
    velmo_table_fields("${row}" PARAM 10 fields)
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

# The audio ports of a plug-in with `channels` channels (1 or 2) whose URI is `uri`: sets
# VELMO_LV2_AUDIO_PORTS (the port blocks, the first without its " , "), and for two channels
# the stereo port groups: VELMO_LV2_PG_PREFIX, VELMO_LV2_GROUP_LINKS (the plug-in's main
# input and output) and VELMO_LV2_GROUPS (the group descriptions).
function(velmo_lv2_audio_ports channels uri)
  if(channels EQUAL 1)
    set(ports "in;In;Input;out;Out;Output")
  else()
    set(ports "in_l;In L;Input;in_r;In R;Input;out_l;Out L;Output;out_r;Out R;Output")
  endif()
  set(text "")
  set(index 0)
  list(LENGTH ports length)
  math(EXPR last "${length} - 1")
  foreach(at RANGE 0 ${last} 3)
    math(EXPR name_at "${at} + 1")
    math(EXPR kind_at "${at} + 2")
    list(GET ports ${at} symbol)
    list(GET ports ${name_at} name)
    list(GET ports ${kind_at} kind)
    if(kind STREQUAL Input)
      set(direction lv2:InputPort)
      set(group in)
    else()
      set(direction lv2:OutputPort)
      set(group out)
    endif()
    if(index GREATER 0)
      string(APPEND text " , ")
    endif()
    set(grouping "")
    if(channels EQUAL 2)
      if(symbol MATCHES "_l$")
        set(side left)
      else()
        set(side right)
      endif()
      set(grouping " ;\n\t\tpg:group <${uri}#${group}> ;\n\t\tlv2:designation pg:${side}")
    endif()
    string(APPEND text "[
		a ${direction} ,
			lv2:AudioPort ;
		lv2:index ${index} ;
		lv2:symbol \"${symbol}\" ;
		lv2:name \"${name}\"${grouping}
	]")
    math(EXPR index "${index} + 1")
  endforeach()
  set(VELMO_LV2_AUDIO_PORTS "${text}" PARENT_SCOPE)
  if(channels EQUAL 2)
    set(VELMO_LV2_PG_PREFIX "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n" PARENT_SCOPE)
    set(VELMO_LV2_GROUP_LINKS "\n\tpg:mainInput <${uri}#in> ;\n\tpg:mainOutput <${uri}#out> ;" PARENT_SCOPE)
    set(VELMO_LV2_GROUPS "

<${uri}#in>
	a pg:InputGroup ,
		pg:StereoGroup ;
	lv2:symbol \"in\" ;
	rdfs:label \"Input\" .

<${uri}#out>
	a pg:OutputGroup ,
		pg:StereoGroup ;
	lv2:symbol \"out\" ;
	rdfs:label \"Output\" ." PARENT_SCOPE)
  else()
    set(VELMO_LV2_PG_PREFIX "" PARENT_SCOPE)
    set(VELMO_LV2_GROUP_LINKS "" PARENT_SCOPE)
    set(VELMO_LV2_GROUPS "" PARENT_SCOPE)
  endif()
endfunction()
