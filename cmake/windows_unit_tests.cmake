# The GoogleTest suite of the x86-64 build, one binary (qoru_tests) run under Wine by
# CTest in two shards at once, each one Wine process: starting Wine for each of some
# hundreds of tests would cost minutes. GoogleTest comes from Debian's source
# (/usr/src/googletest). The test code is built with -O1 and without debug
# information, quicker to compile (the code under test keeps the build's options).
#
# The suite is the Linux one with the platform files of the test support for Windows
# (test_support/*_win.cpp); the Windows tests of tests/windows have a binary of their
# own (windows_tests.cmake). Left out, as files of what Windows has no counterpart of:
#   - the X toolkit's window face (Xvfb, XTest, the toolkit's JPEG decoder): not built
#     here; the Win32 dialog has its own binary on a Wine desktop (windows_tests.cmake);
#   - pseudo-terminals (pty_session, terminal_face_test): the console is tested by
#     tests/windows/console_win_test.cpp;
#   - fork, signals and flock (work_area_lock_test, kill_test), resource limits
#     (engine_io_error_test), dlopen and file modes of root (qoru_gbtxt_test): the
#     Windows lock, sharing violations and child processes are tested in tests/windows;
#   - the comparison with glibc's converter (*_posix_test.cpp), whose tables this build
#     has compiled in.
# A test of a file that stays and needs what only POSIX has skips itself, saying why
# (QORU_SKIP_UNLESS_POSIX, test_support/system.h).
include_guard(GLOBAL)
# On with the Windows tests (QORU_WINDOWS_TESTS of scripts/build-windows);
# -DQORU_WINDOWS_UNIT_TESTS=OFF leaves the suite out of a build that wants only the
# Windows tests of tests/windows.
option(QORU_WINDOWS_UNIT_TESTS "Build the GoogleTest suite for Windows and run it under Wine" ON)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8 OR NOT QORU_WINDOWS_UNIT_TESTS)
  return()
endif()

file(GLOB_RECURSE QORU_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
list(FILTER QORU_TEST_SOURCES EXCLUDE REGEX ".*_posix(_test)?\\.cpp$")
list(FILTER QORU_TEST_SOURCES EXCLUDE REGEX ".*/tests/(faces|windows)/.*_win(_test)?\\.cpp$")
foreach(left_out
        faces/picture_test faces/window_face_error_box_test faces/window_face_host_test
        faces/window_face_test faces/xvfb_server faces/x11_probe test_support/pty_session
        tools/terminal_face_test files/work_area_lock_test plugin/kill_test
        database/engine_io_error_test tools/qoru_gbtxt_test)
  list(FILTER QORU_TEST_SOURCES EXCLUDE REGEX ".*/tests/${left_out}\\.cpp$")
endforeach()
add_executable(qoru_tests ${QORU_TEST_SOURCES})
# GoogleTest and the standard headers that most tests use, parsed once.
target_precompile_headers(qoru_tests PRIVATE <gtest/gtest.h> <filesystem> <functional> <map> <set>
                          <string> <string_view> <vector>)
target_include_directories(qoru_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(qoru_tests PRIVATE qoru_core qoru_process qoru_checks qoru_screening qoru_sampling qoru_gendata gmock
                                         gtest gtest_main shell32)
target_compile_definitions(qoru_tests PRIVATE
  QORU_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QORU_BINARY_DIR="${CMAKE_BINARY_DIR}" QORU_SANITIZED=0
  "QORU_HOST_EXPORT=__declspec(dllexport)" "QORU_HOST_CALL=__stdcall")
target_compile_options(qoru_tests PRIVATE -O1 -g0)
target_compile_options(gmock PRIVATE -O1 -g0)
add_dependencies(qoru_tests qoru_ERP_GBtxt qoru-gbtxt qoru-gendata)
foreach(shard 0 1)
  add_test(NAME Windows.GoogleTestSuite.${shard} COMMAND qoru_tests --gtest_brief=1)
  set_tests_properties(Windows.GoogleTestSuite.${shard} PROPERTIES
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    ENVIRONMENT "GTEST_TOTAL_SHARDS=2;GTEST_SHARD_INDEX=${shard}")
endforeach()
