# The present path needs an X server; bench/ratios.d/platform.sh runs it under
# xvfb-run (hence no bench_ prefix: bench/run would start it without one).
velnar_bench(xvfb_bench_present SOURCES present_bench.cpp LIBS velnar_platform)

# Drives the real program under an X server for bench/program-cpu (not a
# benchmark itself: no bench_ prefix).
find_package(X11 REQUIRED)
add_executable(velnar_program_probe program_probe.cpp)
target_link_libraries(velnar_program_probe PRIVATE X11::X11)
