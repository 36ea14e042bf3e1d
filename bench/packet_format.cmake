vtx_bench(packet_format SOURCES ${CMAKE_CURRENT_LIST_DIR}/packet_format.cpp)
