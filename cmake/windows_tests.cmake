# The tests of a Windows build, run by CTest under Wine (scripts/test-windows):
#   - i686: the 32-bit host of our own calls the plug-in (tests/windows/host32_test.sh),
#     and its databases are compared with those of the Linux build in
#     QORU_LINUX_BUILD_DIR;
#   - both: the binaries import only DLLs that every Windows has.
include_guard(GLOBAL)
enable_testing()
set(QORU_LINUX_BUILD_DIR ${CMAKE_SOURCE_DIR}/build CACHE PATH
    "The Linux build whose conversions the Windows ones are compared with")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_executable(host32 tests/windows/host32.c)
  target_link_libraries(host32 PRIVATE ole32 oleaut32 user32)
  add_dependencies(host32 qoru_ERP_GBtxt)
  add_test(NAME Windows.Host32.CallsDoItAndConvertsLikeLinux
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/host32_test.sh
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QORU_WINE_PREFIX} $<TARGET_FILE:host32>
                   $<TARGET_FILE:qoru_ERP_GBtxt> ${QORU_LINUX_BUILD_DIR} ${CMAKE_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR}/host32-test)
  set(QORU_SHIPPED_BINARIES $<TARGET_FILE:qoru_ERP_GBtxt>)
else()
  set(QORU_SHIPPED_BINARIES $<TARGET_FILE:qoru_ERP_GBtxt> $<TARGET_FILE:qoru-gbtxt>
                            $<TARGET_FILE:qoru-gendata>)
  add_test(NAME Windows.CommandLine.ConvertsInspectsAndChecksLikeLinux
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/cli_test.sh
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QORU_WINE_PREFIX}
                   $<TARGET_FILE:qoru-gbtxt> ${QORU_LINUX_BUILD_DIR} ${CMAKE_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR}/cli-test)
  # Long paths, read-only files, a network share, Chinese book-set names, qoru-gendata.exe.
  add_test(NAME Windows.CommandLine.PathsAndFileHabits
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/paths_test.sh
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QORU_WINE_PREFIX}
                   $<TARGET_FILE:qoru-gbtxt> $<TARGET_FILE:qoru-gendata> ${QORU_LINUX_BUILD_DIR}
                   ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/paths-test)
endif()

add_test(NAME Windows.Binaries.ImportOnlySystemDlls
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/system_dlls_test.sh
                 ${QORU_MINGW_TRIPLE}-objdump ${QORU_SHIPPED_BINARIES})

# The GoogleTest suite, built from Debian's GoogleTest source and run under Wine (x86-64).
# Left out: the tests that drive processes, terminals and X displays of Linux (the
# command-line host as a child process, pseudo-terminals, Xvfb, fork and signals, file
# modes and resource limits), and the code page test that compares with glibc's iconv,
# which this build has not (its tables are iconv's, dumped by the Linux build).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The Windows file layer's own tests (long paths, sharing violations, read-only
  # files, device names, the lock, the compiled-in tables).
  # And the host's child processes (command lines, redirected output, exit codes) and
  # its console (UTF-8 shown through WriteConsoleW).
  add_executable(qoru_windows_tests ${CMAKE_SOURCE_DIR}/tests/windows/os_file_win_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/windows/child_process_win_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/windows/console_win_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/windows/held_open_win_test.cpp
                                    ${CMAKE_SOURCE_DIR}/tools/qoru_gbtxt/child_process_win.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/test_support/temp_dir.cpp)
  target_include_directories(qoru_windows_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests
                                                        ${CMAKE_SOURCE_DIR}/tools)
  target_link_libraries(qoru_windows_tests PRIVATE qoru_core qoru_screening gtest gtest_main
                                                   shell32)
  add_test(NAME Windows.FileLayer COMMAND qoru_windows_tests --gtest_brief=1)
  # The test code itself, and GoogleTest, are built with -O1: quicker to compile, and
  # nothing timed runs in them (the code under test keeps the build's options).
  target_compile_options(qoru_windows_tests PRIVATE -O1)
  target_compile_options(gtest PRIVATE -O1)
  target_compile_options(gtest_main PRIVATE -O1)
endif()
option(QORU_WINDOWS_UNIT_TESTS "Build the GoogleTest suite for Windows and run it under Wine" OFF)
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND QORU_WINDOWS_UNIT_TESTS)
  file(GLOB_RECURSE QORU_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
  foreach(linux_only
          checks/check_command_test database/engine_io_error_test database/template_copy_test
          database/import/csv_reader_test faces/picture_test faces/window_face_error_box_test
          faces/window_face_host_test faces/window_face_test faces/xvfb_server faces/x11_probe
          files/work_area_lock_test plugin/fault_test plugin/kill_test
          staging/source_staging_test staging/table_text_test text/gbk_codec_test
          test_support/command test_support/host_process test_support/pty_session
          tools/gendata_test tools/preflight_test tools/qoru_gbtxt_test tools/terminal_face_test)
    list(FILTER QORU_TEST_SOURCES EXCLUDE REGEX ".*/tests/${linux_only}\\.cpp$")
  endforeach()
  add_executable(qoru_tests ${QORU_TEST_SOURCES})
  target_include_directories(qoru_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(qoru_tests PRIVATE qoru_core qoru_checks qoru_gendata gmock gtest
                        gtest_main)
  target_compile_definitions(qoru_tests PRIVATE
    QORU_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QORU_BINARY_DIR="${CMAKE_BINARY_DIR}" QORU_SANITIZED=0
    "QORU_HOST_EXPORT=__declspec(dllexport)" "QORU_HOST_CALL=__stdcall")
  add_dependencies(qoru_tests qoru_ERP_GBtxt)
  # One Wine process for the whole suite: starting Wine for each of some hundreds of
  # tests would cost minutes. The output names every failing test.
  add_test(NAME Windows.GoogleTestSuite COMMAND qoru_tests --gtest_brief=1)
  set_tests_properties(Windows.GoogleTestSuite PROPERTIES WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The Win32 dialog's tests (x86-64) need a desktop: a binary of their own, run under
# Wine on an Xvfb display of its own with a Wine prefix of its own
# (tests/faces/wine-desktop), so that no other test depends on a display. In another
# binary under Wine they skip themselves. Screenshots: screenshots/ in the build.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  if(NOT TARGET gtest)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  add_executable(qoru_window_face_win_tests tests/faces/window_face_win_test.cpp
                 tests/faces/window_face_do_it_win_test.cpp tests/faces/desktop_probe_win.cpp)
  target_include_directories(qoru_window_face_win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(qoru_window_face_win_tests PRIVATE qoru_core gtest gtest_main)
  target_compile_options(qoru_window_face_win_tests PRIVATE -O1)
  target_compile_definitions(qoru_window_face_win_tests PRIVATE
                             QORU_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME Windows.WindowFace.Win32DialogOnAWineDesktop
           COMMAND ${CMAKE_SOURCE_DIR}/tests/faces/wine-desktop ${CMAKE_BINARY_DIR}/wineprefix-desktop
                   $<TARGET_FILE:qoru_window_face_win_tests>
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
