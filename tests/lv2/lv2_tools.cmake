# The Linux bundle under the standard LV2 tools (sord_validate, lv2info, lv2apply, lv2bench)
# and the install step. Each check is one CTest entry running tools/lv2_tool_checks.sh.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)

add_executable(lv2_wav_compare tools/wav_compare.cpp)
target_link_libraries(lv2_wav_compare PRIVATE PkgConfig::SNDFILE)
velmo_warnings(lv2_wav_compare)

set(checks ${CMAKE_CURRENT_SOURCE_DIR}/tools/lv2_tool_checks.sh)
set(work ${CMAKE_CURRENT_BINARY_DIR}/tool-checks)
set(bundle $<TARGET_FILE_DIR:velmo_lv2>)
foreach(check validate bench)
  add_test(NAME lv2_tools_${check} COMMAND ${checks} ${check} ${work}/${check} ${bundle})
endforeach()
add_test(NAME lv2_tools_info COMMAND ${checks} info ${work}/info ${bundle} X11UI velmo_ui.so)
add_test(NAME lv2_tools_apply COMMAND ${checks} apply ${work}/apply ${bundle}
  $<TARGET_FILE:velmo-render> $<TARGET_FILE:lv2_wav_compare>)
add_test(NAME lv2_tools_presets COMMAND ${checks} presets ${work}/presets ${bundle}
  $<TARGET_FILE:velmo-presets>)
add_test(NAME lv2_tools_install COMMAND ${checks} install ${work}/install ${bundle} ${CMAKE_BINARY_DIR})
add_test(NAME lv2_tools_validate_stereo COMMAND ${checks} validate ${work}/validate-stereo
  $<TARGET_FILE_DIR:velmo_stereo_lv2>)
add_test(NAME lv2_tools_apply_stereo COMMAND ${checks} apply-stereo ${work}/apply-stereo
  $<TARGET_FILE_DIR:velmo_stereo_lv2> ${bundle} $<TARGET_FILE:lv2_wav_compare>)
# Velmo Stereo's presets, the same as Velmo's but for the URI.
add_test(NAME lv2_tools_presets_stereo COMMAND ${checks} presets ${work}/presets-stereo
  $<TARGET_FILE_DIR:velmo_stereo_lv2> $<TARGET_FILE:velmo-presets> ${VELMO_stereo_URI} ${bundle})
# lilv's tools cannot load a plug-in built with sanitizers (their runtime must come first).
set_tests_properties(lv2_tools_bench lv2_tools_apply lv2_tools_apply_stereo lv2_tools_presets
  lv2_tools_presets_stereo PROPERTIES LABELS no-sanitizer)
