vtx_bench(line_roundtrip SOURCES ${CMAKE_CURRENT_LIST_DIR}/line_roundtrip.cpp)
