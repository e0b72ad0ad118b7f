# Cross build for Windows (i686) with Debian's mingw-w64 compilers. Tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QORU_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
