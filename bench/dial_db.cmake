vtx_bench(dial_db SOURCES ${CMAKE_CURRENT_LIST_DIR}/dial_db.cpp)
