vtx_bench(callctrl_start SOURCES ${CMAKE_CURRENT_LIST_DIR}/callctrl_start.cpp)
