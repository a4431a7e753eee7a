# The browser build, included by the top-level CMakeLists when the compiler is
# Emscripten: gfx/, engine/ and sim/ as they are, over the browser's platform
# layer (platform/web) instead of Qt and SDL, and the program of web/.

# ccache does not know em++.
set(CMAKE_C_COMPILER_LAUNCHER "")
set(CMAKE_CXX_COMPILER_LAUNCHER "")
set(VELNAR_WEB_OUTPUT ${PROJECT_SOURCE_DIR}/build/web CACHE PATH
    "The folder the browser version is built into")
option(VELNAR_TEST_HOOKS "Also build the browser folder the browser tests read" OFF)
set(VELNAR_TEST_WEB_OUTPUT ${PROJECT_SOURCE_DIR}/build/web-test CACHE PATH
    "The folder the browser tests' version is built into (with VELNAR_TEST_HOOKS)")
set(VELNAR_GLYPH_ATLAS_TOOL ${PROJECT_SOURCE_DIR}/build/release/tools/glyphatlas/glyphatlas
    CACHE FILEPATH "The desktop build's glyph atlas tool (tools/glyphatlas)")

# The ports that are plain C++ and their browser implementations.
file(GLOB web_platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/web/*.cpp)
set(glyph_atlas_source ${CMAKE_BINARY_DIR}/glyph_atlas.cpp)
add_custom_command(
  OUTPUT ${glyph_atlas_source}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${VELNAR_GLYPH_ATLAS_TOOL}
          ${glyph_atlas_source}
  DEPENDS ${VELNAR_GLYPH_ATLAS_TOOL}
  COMMENT "Rendering the glyph atlas with the desktop's text path"
  VERBATIM)
add_library(velnar_platform STATIC
  ${PROJECT_SOURCE_DIR}/platform/form_common.cpp
  ${PROJECT_SOURCE_DIR}/platform/glyph_canvas.cpp
  ${PROJECT_SOURCE_DIR}/platform/headless_display.cpp
  ${PROJECT_SOURCE_DIR}/platform/interval_timer.cpp
  ${PROJECT_SOURCE_DIR}/platform/key_state.cpp
  ${web_platform_sources}
  ${glyph_atlas_source})
target_include_directories(velnar_platform PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(velnar_platform PUBLIC velnar_catalogue)

add_subdirectory(gfx)
add_subdirectory(engine)
add_subdirectory(sim)
add_subdirectory(lesson)
add_subdirectory(web)
