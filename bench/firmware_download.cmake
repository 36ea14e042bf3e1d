vtx_bench(firmware_download SOURCES ${CMAKE_CURRENT_LIST_DIR}/firmware_download.cpp LIBS ZLIB::ZLIB)
