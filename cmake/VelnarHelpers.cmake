# velnar_library(NAME [DEPS lib...] [EXCLUDE file...])
# A static library from every .cpp file of the calling folder but the excluded
# ones. A folder with no sources yet becomes an interface library, so
# dependants link it all the same.
function(velnar_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
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

# velnar_test(NAME [LIBS lib...] [NO_MAIN])
# One GoogleTest binary from every .cpp file of the calling folder, each of its
# tests registered with CTest so that ctest -j runs them side by side.
function(velnar_test name)
  cmake_parse_arguments(ARG "NO_MAIN" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/common/lsan_suppressions.cpp)
  if(ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  target_compile_definitions(${name} PRIVATE VELNAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             VELNAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Discovered tests take one environment entry only (a list is split into
  # separate properties on the way), so the widget tests' platform is the one.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
