# velmo_editor_page(TARGET PAGE): TARGET gets the editor page at PAGE: web/index.html with its
# constants block written by tools/velmo-page from the parameter table and the engine's tables.
# The checked-in page (which the browser tests load) is held equal to it by
# tests/plugin/page_constants_test.
function(velmo_editor_page target page)
  add_custom_command(OUTPUT ${page}
    COMMAND ${VELMO_PAGE_TOOL} ${PROJECT_SOURCE_DIR}/web/index.html ${page}
    DEPENDS ${VELMO_PAGE_TOOL_DEPENDS} ${PROJECT_SOURCE_DIR}/web/index.html
    COMMENT "Writing the editor page of ${target}"
    VERBATIM)
  add_custom_target(${target}_page DEPENDS ${page})
  add_dependencies(${target} ${target}_page)
endfunction()
