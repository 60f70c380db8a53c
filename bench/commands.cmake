# The log commands of the real orv-tool, run as child processes on a 63M-record file.
add_executable(orv-bench-child ChildRun.cpp)
target_link_options(orv-bench-child PRIVATE -static)
orv_add_bench(bench_commands CommandBench.cpp)
target_compile_definitions(bench_commands PRIVATE ORV_TOOL_PATH="$<TARGET_FILE:orv-tool>"
                           ORV_BENCH_CHILD_PATH="$<TARGET_FILE:orv-bench-child>")
add_dependencies(bench_commands orv-tool orv-bench-child)
