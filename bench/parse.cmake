orv_add_bench(bench_parse ParseBench.cpp)
