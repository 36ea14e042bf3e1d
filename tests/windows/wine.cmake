# The Windows test run: GoogleTest from the sources of the Debian package, and every suite as one
# test that runs its program under wine64. Only the suites that need nothing of POSIX are built
# for Windows; the others (processes started by fork, pipes by popen, Unix sockets, the simulator
# daemon, renaming an open file, the call-control framework) run in the native build only.
set(VTX_WINDOWS_TEST_DIRS cfg packet trace api callctrl ipcc)
set(VTX_WINDOWS_TESTS test_cfg test_packet test_packet_variables test_packet_line_reset
    test_packet_send_receive test_trace test_trace_distribution test_trace_decode test_trace_cc
    test_api_status_text test_api_result_words test_api_convert test_api_hangup_check
    test_api_module_queries test_api_frame test_api_memory test_api_frame_threads
    test_api_line_attach test_callctrl test_callctrl_start test_callctrl_hostmod test_ipcc)

set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own sources are not held to this project's warnings (its targets come as GTest::NAME).
foreach(library gtest gtest_main gmock gmock_main)
  target_compile_options(${library} PRIVATE -w)
endforeach()

# The Wine prefixes, made once before the first test that needs them: one for the programs
# without a screen, one for those on a screen. Wine's processes of one prefix share one desktop,
# and a desktop started without a screen would hold the windows of a program that has one.
set(VTX_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine_run)
set(VTX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(VTX_WINE_SCREEN_PREFIX ${CMAKE_BINARY_DIR}/wine-screen-prefix)
add_test(NAME wine_prefix COMMAND ${VTX_WINE_RUN} ${VTX_WINE_PREFIX} --init)
add_test(NAME wine_screen_prefix COMMAND ${VTX_WINE_RUN} ${VTX_WINE_SCREEN_PREFIX} --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 LABELS windows)
set_tests_properties(wine_screen_prefix PROPERTIES FIXTURES_SETUP wine_screen TIMEOUT 300
                     LABELS windows)

# vtx_wine_test(NAME LABELS): each test of the GoogleTest program NAME as a test of its own, run
# by wine64 in a process of its own as the native build's discovered tests are; found in the
# program's sources, since the program cannot run while it is being built.
include(GoogleTest)
function(vtx_wine_test name labels)
  get_target_property(sources ${name} SOURCES)
  gtest_add_tests(TARGET ${name} SOURCES ${sources} TEST_LIST tests)
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120
                       LABELS "${labels};windows" ENVIRONMENT_MODIFICATION "DISPLAY=unset:"
                       ENVIRONMENT "WINEPREFIX=${VTX_WINE_PREFIX};WINEDEBUG=-all")
endfunction()
