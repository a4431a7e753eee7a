# The present path needs an X server; bench/ratios.d/platform.sh runs it under
# xvfb-run (hence no bench_ prefix: bench/run would start it without one).
velnar_bench(xvfb_bench_present SOURCES present_bench.cpp LIBS velnar_platform)
