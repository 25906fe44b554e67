# The build-time tools: tools/velmo-presets (cmake/Presets.cmake) and tools/velmo-page
# (cmake/EditorPage.cmake). They run on the build machine. A native tree builds them as its own
# targets; a cross tree (Windows) builds them in a native tree of its own, host-tools/ inside
# the build tree, configured from this source with VELMO_HOST_TOOLS_ONLY.
# Sets VELMO_<TOOL>_TOOL (the program) and VELMO_<TOOL>_TOOL_DEPENDS for PRESETS and PAGE.
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(host_tools ${CMAKE_BINARY_DIR}/host-tools)
  set(VELMO_PRESETS_TOOL ${host_tools}/tools/velmo-presets/velmo-presets)
  set(VELMO_PAGE_TOOL ${host_tools}/tools/velmo-page/velmo-page)
  ExternalProject_Add(velmo_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${host_tools}
    CMAKE_ARGS -DVELMO_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release -DVELMO_WERROR=${VELMO_WERROR}
      -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
      -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_tools} --target velmo-presets velmo-page
    BUILD_BYPRODUCTS ${VELMO_PRESETS_TOOL} ${VELMO_PAGE_TOOL}
    BUILD_ALWAYS ON  # its own build decides whether anything changed
    INSTALL_COMMAND "")
  set(VELMO_PRESETS_TOOL_DEPENDS velmo_host_tools ${VELMO_PRESETS_TOOL})
  set(VELMO_PAGE_TOOL_DEPENDS velmo_host_tools ${VELMO_PAGE_TOOL})
else()
  set(VELMO_PRESETS_TOOL $<TARGET_FILE:velmo-presets>)
  set(VELMO_PRESETS_TOOL_DEPENDS velmo-presets)
  set(VELMO_PAGE_TOOL $<TARGET_FILE:velmo-page>)
  set(VELMO_PAGE_TOOL_DEPENDS velmo-page)
endif()
