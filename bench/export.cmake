orv_add_bench(bench_export ExportBench.cpp)
