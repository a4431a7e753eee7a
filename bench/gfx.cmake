# Picture copies and rotated drawing against memcpy, SDL2 and QPainter. Only the
# benchmark programs link SDL2 and Qt; the drawing library links neither.
find_package(SDL2 REQUIRED)
velnar_bench(bench_gfx_blit SOURCES gfx_blit_bench.cpp LIBS velnar_gfx SDL2::SDL2)
# The copies are measured on the real pictures, read from the source tree.
target_compile_definitions(bench_gfx_blit PRIVATE VELNAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
velnar_bench(bench_gfx_rotate SOURCES gfx_rotate_bench.cpp LIBS velnar_gfx SDL2::SDL2 Qt6::Gui)

# Prints the processor and the kernels used above bench/run's verdicts.
add_executable(velnar_processor EXCLUDE_FROM_ALL processor.cpp)
add_dependencies(benchmarks velnar_processor)
target_link_libraries(velnar_processor PRIVATE velnar_simd)
