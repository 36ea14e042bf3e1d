vtx_bench(module_lookup SOURCES ${CMAKE_CURRENT_LIST_DIR}/module_lookup.cpp)
