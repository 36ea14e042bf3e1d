vtx_bench(cfg_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/cfg_parse.cpp LIBS inih)
