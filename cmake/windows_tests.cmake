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
  # Needs the 32-bit Wine (scripts/test-windows leaves it out when that could not be
  # installed).
  set_tests_properties(Windows.Host32.CallsDoItAndConvertsLikeLinux PROPERTIES LABELS wine32)
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
                                    ${CMAKE_SOURCE_DIR}/tests/test_support/temp_dir.cpp
                                    ${CMAKE_SOURCE_DIR}/tests/test_support/native_path_win.cpp)
  target_include_directories(qoru_windows_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests
                                                        ${CMAKE_SOURCE_DIR}/tools)
  target_link_libraries(qoru_windows_tests PRIVATE qoru_core qoru_process qoru_screening gtest gtest_main
                                                   shell32)
  add_test(NAME Windows.FileLayer COMMAND qoru_windows_tests --gtest_brief=1)
  # The test code itself, and GoogleTest, are built with -O1: quicker to compile, and
  # nothing timed runs in them (the code under test keeps the build's options).
  target_compile_options(qoru_windows_tests PRIVATE -O1)
  target_compile_options(gtest PRIVATE -O1)
  target_compile_options(gtest_main PRIVATE -O1)
endif()
# The GoogleTest suite of the Linux build, run under Wine (QORU_WINDOWS_UNIT_TESTS).
include(${CMAKE_CURRENT_LIST_DIR}/windows_unit_tests.cmake)

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
