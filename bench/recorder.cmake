orv_add_bench(bench_recorder RecorderBench.cpp)
