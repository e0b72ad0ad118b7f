# Cross build for Windows (x86_64) with Debian's mingw-w64 compilers. Tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QORU_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
