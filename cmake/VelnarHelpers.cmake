# velnar_library(NAME [EXCLUDE file...] [DEPS lib...])
# A static library from every .cpp file of the calling folder but the excluded
# ones. A folder with no sources yet becomes an interface library, so
# dependants link it all the same.
function(velnar_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(TRANSFORM ARG_EXCLUDE PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${ARG_EXCLUDE})
  endif()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# What every test binary is compiled with, and the binary that holds their
# precompiled headers built the same way.
function(velnar_test_options name)
  target_compile_definitions(${name} PRIVATE VELNAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             VELNAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Position-independent as Qt asks of its users, whether or not a binary
  # links Qt, so that one precompiled header fits every test binary.
  if(NOT EMSCRIPTEN)
    target_compile_options(${name} PRIVATE -fPIC)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 loses track of the standard headers being system headers behind a
    # precompiled header, and then reports std::string's own copies as out of
    # bounds or overflowing (the false alarm -Wno-restrict silences everywhere).
    target_compile_options(${name} PRIVATE -Wno-array-bounds -Wno-stringop-overflow)
  endif()
endfunction()

# velnar_test_headers(OUT WITH_QT): the name of the target whose precompiled
# headers the test binaries use, made on first use.
function(velnar_test_headers out with_qt)
  if(with_qt)
    set(holder velnar_test_headers_qt)
  else()
    set(holder velnar_test_headers)
  endif()
  if(NOT TARGET ${holder})
    add_executable(${holder} ${PROJECT_SOURCE_DIR}/tests/common/precompiled_headers.cpp)
    target_link_libraries(${holder} PRIVATE GTest::gtest_main GTest::gmock)
    set(headers <gtest/gtest.h> <gmock/gmock.h>)
    if(with_qt)
      target_link_libraries(${holder} PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets)
      list(APPEND headers <QApplication> <QImage> <QString> <QWidget> <QTimer>)
    endif()
    target_precompile_headers(${holder} PRIVATE ${headers})
    velnar_test_options(${holder})
  endif()
  set(${out} ${holder} PARENT_SCOPE)
endfunction()

# velnar_test(NAME [LIBS lib...] [NO_MAIN])
# One GoogleTest binary from every .cpp file of the calling folder, each of its
# tests registered with CTest so that ctest -j runs them side by side.
#
# A build of the core alone leaves out the files that need the toolkit: those
# that include a Qt or SDL header (or a platform header that does), or a test helper that starts the Qt
# application.
function(velnar_test name)
  cmake_parse_arguments(ARG "NO_MAIN" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(VELNAR_CORE_ONLY)
    foreach(source ${sources})
      file(STRINGS ${source} toolkit_includes
           REGEX "^#include [<\"](Q|SDL|platform/(qt_|raster_scaler|form_window)|tests/common/(test_app|headless_display_test)\\.h)")
      if(toolkit_includes)
        list(REMOVE_ITEM sources ${source})
      endif()
    endforeach()
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/common/lsan_suppressions.cpp)
  if(ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  # GoogleTest's headers, and Qt's where the tests use it, compiled once for
  # all the test binaries: most of a test file's compile time otherwise.
  # Files that are no tests themselves go without them.
  set(with_qt FALSE)
  foreach(source ${sources} ${PROJECT_SOURCE_DIR}/tests/common/lsan_suppressions.cpp)
    file(STRINGS ${source} test_includes REGEX "^#include <g(test|mock)/")
    if(NOT test_includes)
      set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
    file(STRINGS ${source} qt_includes REGEX "^#include <Q")
    if(qt_includes AND NOT VELNAR_CORE_ONLY)
      set(with_qt TRUE)
    endif()
  endforeach()
  velnar_test_headers(headers ${with_qt})
  target_precompile_headers(${name} REUSE_FROM ${headers})
  velnar_test_options(${name})
  if(EMSCRIPTEN)
    # One run of the whole binary: every start of Node.js compiles the module.
    target_link_options(${name} PRIVATE -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1)
    add_test(NAME ${name} COMMAND ${name})
    return()
  endif()
  # Discovered tests take one environment entry only (a list is split into
  # separate properties on the way), so the widget tests' platform is the one.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
