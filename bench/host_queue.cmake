# The queue is an ACE task, and the baseline a plain ACE message queue.
find_library(ACE_LIBRARY ACE REQUIRED)
vtx_bench(host_queue SOURCES ${CMAKE_CURRENT_LIST_DIR}/host_queue.cpp LIBS ${ACE_LIBRARY})
