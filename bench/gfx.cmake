# Picture copies and rotated drawing against memcpy, SDL2 and QPainter. Only the
# benchmark programs link SDL2 and Qt; the drawing library links neither.
find_package(SDL2 REQUIRED)
velnar_bench(bench_gfx_blit SOURCES gfx_blit_bench.cpp LIBS velnar_gfx SDL2::SDL2)
velnar_bench(bench_gfx_rotate SOURCES gfx_rotate_bench.cpp LIBS velnar_gfx SDL2::SDL2 Qt6::Gui)
