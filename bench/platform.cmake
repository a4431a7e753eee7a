# The present path needs an X server; bench/ratios.d/platform.sh runs it under
# xvfb-run (hence no bench_ prefix: bench/run would start it without one).
velnar_bench(xvfb_bench_present SOURCES present_bench.cpp LIBS velnar_platform)

# Drives the real program under an X server for bench/program-cpu (not a
# benchmark itself: no bench_ prefix). It counts frames by the X server's
# DAMAGE extension.
find_package(X11 REQUIRED)
if(TARGET X11::Xdamage)
  add_executable(velnar_program_probe EXCLUDE_FROM_ALL program_probe.cpp)
  add_dependencies(benchmarks velnar_program_probe)
  target_link_libraries(velnar_program_probe PRIVATE X11::X11 X11::Xdamage)
else()
  message(STATUS "bench: no libXdamage development files, bench/program-cpu is not built")
endif()

# The raster present's scaling at 1920 x 1080; against pixman's too where its
# development files are installed (the program does not use it: ours is faster).
find_package(PkgConfig REQUIRED)
pkg_check_modules(PIXMAN IMPORTED_TARGET pixman-1)
if(PIXMAN_FOUND)
  velnar_bench(bench_present_scale SOURCES present_scale_bench.cpp
               LIBS velnar_platform PkgConfig::PIXMAN)
  target_compile_definitions(bench_present_scale PRIVATE VELNAR_HAVE_PIXMAN)
else()
  velnar_bench(bench_present_scale SOURCES present_scale_bench.cpp LIBS velnar_platform)
endif()
