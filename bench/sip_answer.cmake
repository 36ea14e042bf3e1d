# The SIP host module library answering T.38 calls on the loopback (where libre is built for).
if(TARGET tarrowsip)
  vtx_bench(sip_answer SOURCES ${CMAKE_CURRENT_LIST_DIR}/sip_answer.cpp LIBS ${CMAKE_DL_LIBS}
            Threads::Threads)
  add_dependencies(bench_sip_answer tarrowsip)
  target_compile_definitions(bench_sip_answer PRIVATE TARROWSIP_PATH="$<TARGET_FILE:tarrowsip>")
endif()
