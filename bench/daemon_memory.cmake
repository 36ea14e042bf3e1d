# A real tarrow-simd process serving a million round trips: it must be built beside the benchmark.
vtx_bench(daemon_memory SOURCES ${CMAKE_CURRENT_LIST_DIR}/daemon_memory.cpp)
add_dependencies(bench_daemon_memory tarrow-simd)
