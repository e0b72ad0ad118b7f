# What both Windows toolchain files share: Debian's mingw-w64 compilers of the triple the
# including file sets in QORU_MINGW_TRIPLE (the POSIX thread model, which std::thread
# needs), and the search for libraries and headers kept inside the cross root.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${QORU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QORU_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QORU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
