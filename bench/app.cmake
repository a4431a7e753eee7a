velnar_bench(bench_run_window SOURCES run_window_bench.cpp LIBS velnar_app)
