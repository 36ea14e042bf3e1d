# The packet decoder, and call-control trace messages into a rotating numbered series against
# spdlog's rotating file sink flushed on every line.
find_package(spdlog REQUIRED)
vtx_bench(cc_trace SOURCES ${CMAKE_CURRENT_LIST_DIR}/cc_trace.cpp LIBS spdlog::spdlog)
