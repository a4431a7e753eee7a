velnar_bench(bench_frame SOURCES frame_bench.cpp LIBS velnar_sim velnar_platform)
velnar_bench(bench_recording SOURCES recording_bench.cpp LIBS velnar_sim velnar_platform)
