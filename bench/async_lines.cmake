vtx_bench(async_lines SOURCES ${CMAKE_CURRENT_LIST_DIR}/async_lines.cpp)
