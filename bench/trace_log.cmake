# Lines per second into one trace file, against spdlog writing the same lines as durably.
find_package(spdlog REQUIRED)
vtx_bench(trace_log SOURCES ${CMAKE_CURRENT_LIST_DIR}/trace_log.cpp LIBS spdlog::spdlog)
