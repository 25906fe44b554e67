# Factory presets, written at build time by tools/velmo-presets from src/plugin/presets.cpp.
#   velmo_lv2_presets(TARGET URI STATE_KEY MANIFEST BUNDLE_DIR): BUNDLE_DIR/manifest.ttl (MANIFEST
#     with the presets listed) and BUNDLE_DIR/presets.ttl for the plug-in URI, whose state
#     property is STATE_KEY, made with TARGET.
#   velmo_vst3_presets(TARGET CLASS_ID FOLDER): presets/vst3/FOLDER/<name>.vstpreset in the
#     build tree (FOLDER is company/plug-in, e.g. Brindle.DIGITAL/Velmo), made with TARGET.
# The tool runs on the build machine (cmake/HostTools.cmake); the files hold the state blobs of
# the platform the tree builds for.
if(WIN32)
  set(VELMO_PRESETS_PLATFORM windows)
else()
  set(VELMO_PRESETS_PLATFORM linux)
endif()

function(velmo_lv2_presets target uri state_key manifest bundle)
  add_custom_command(OUTPUT ${bundle}/manifest.ttl ${bundle}/presets.ttl
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bundle}
    COMMAND ${VELMO_PRESETS_TOOL} lv2 ${uri} ${state_key} ${manifest} ${bundle} ${VELMO_PRESETS_PLATFORM}
    DEPENDS ${VELMO_PRESETS_TOOL_DEPENDS} ${manifest}
    COMMENT "Writing the LV2 presets of ${uri}"
    VERBATIM)
  add_custom_target(${target}_presets DEPENDS ${bundle}/manifest.ttl ${bundle}/presets.ttl)
  add_dependencies(${target} ${target}_presets)
endfunction()

function(velmo_vst3_presets target class_id folder)
  set(dir ${CMAKE_BINARY_DIR}/presets/vst3/${folder})
  string(MAKE_C_IDENTIFIER ${folder} stamp)
  set(stamp ${CMAKE_BINARY_DIR}/presets/${stamp}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir}  # no file of a renamed preset stays behind
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${VELMO_PRESETS_TOOL} vst3 ${class_id} ${VELMO_PRESETS_PLATFORM} ${dir}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${VELMO_PRESETS_TOOL_DEPENDS}
    COMMENT "Writing the VST3 presets into presets/vst3/${folder}"
    VERBATIM)
  add_custom_target(${target}_presets DEPENDS ${stamp})
  add_dependencies(${target} ${target}_presets)
endfunction()
