# The Windows cross build (mingw-w64, see scripts/build-windows).
#   - SQLite: the amalgamation of Debian's source package (QORU_SQLITE_SOURCE_DIR),
#     compiled with the options of Debian's own build and linked statically.
#   - libxlsxwriter (the workpaper of `screen --xlsx`): Debian's source package
#     (QORU_XLSXWRITER_SOURCE_DIR) with the minizip, MD5 and temporary-file code bundled
#     in it, over zlib from Debian's source package (QORU_ZLIB_SOURCE_DIR); all static.
#   - expat (reading a workpaper back, sample --evaluate): the library part of Debian's
#     source package (QORU_EXPAT_SOURCE_DIR), with a configuration of ours
#     (cmake/windows/expat/expat_config.h); static, its entropy from rand_s.
#   - fmt: Debian's source package (QORU_FMT_SOURCE_DIR), its src/format.cc compiled once
#     into a static library (in header-only mode every file that includes fmt would
#     compile its implementation again: several times the build's time).
#   - CLI11 and nlohmann-json (header-only): the headers of the Debian packages that the
#     Linux build uses, seen through a folder of their own so that no other header of the
#     Linux system reaches the cross compiler.
#   - GoogleTest: Debian's source (/usr/src/googletest), built here.
#   - The C and C++ runtimes and winpthread linked statically: the binaries need only
#     DLLs that every Windows has.
#   - The code page tables: made by the Linux build's qoru-dump-codepage from glibc's
#     converters (QORU_GBK_TABLES_SOURCE), so that both builds convert alike.
include_guard(GLOBAL)

set(QORU_SQLITE_SOURCE_DIR "" CACHE PATH "SQLite's source tree with the amalgamation sqlite3.c")
set(QORU_GBK_TABLES_SOURCE "" CACHE FILEPATH "The code page tables made by qoru-dump-codepage")
if(NOT EXISTS "${QORU_SQLITE_SOURCE_DIR}/sqlite3.c")
  message(FATAL_ERROR "QORU_SQLITE_SOURCE_DIR must name SQLite's source with sqlite3.c "
                      "(scripts/build-windows fetches and prepares it)")
endif()
set(QORU_ZLIB_SOURCE_DIR "" CACHE PATH "zlib's source tree")
set(QORU_XLSXWRITER_SOURCE_DIR "" CACHE PATH "libxlsxwriter's source tree")
set(QORU_FMT_SOURCE_DIR "" CACHE PATH "fmt's source tree")
set(QORU_EXPAT_SOURCE_DIR "" CACHE PATH "expat's source tree")
if(NOT EXISTS "${QORU_EXPAT_SOURCE_DIR}/lib/xmlparse.c")
  message(FATAL_ERROR "QORU_EXPAT_SOURCE_DIR must name expat's source with lib/xmlparse.c "
                      "(scripts/build-windows fetches it)")
endif()
if(NOT EXISTS "${QORU_FMT_SOURCE_DIR}/src/format.cc")
  message(FATAL_ERROR "QORU_FMT_SOURCE_DIR must name fmt's source with src/format.cc "
                      "(scripts/build-windows fetches it)")
endif()
if(NOT EXISTS "${QORU_ZLIB_SOURCE_DIR}/zlib.h" OR
   NOT EXISTS "${QORU_XLSXWRITER_SOURCE_DIR}/include/xlsxwriter.h")
  message(FATAL_ERROR "QORU_ZLIB_SOURCE_DIR and QORU_XLSXWRITER_SOURCE_DIR must name the "
                      "sources of zlib and libxlsxwriter (scripts/build-windows fetches them)")
endif()
if(NOT EXISTS "${QORU_GBK_TABLES_SOURCE}")
  message(FATAL_ERROR "QORU_GBK_TABLES_SOURCE must name the tables that the Linux build's "
                      "qoru-dump-codepage writes (scripts/build-windows makes them)")
endif()

set(QORU_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${QORU_THIRD_PARTY_INCLUDE})
foreach(dir CLI nlohmann)
  if(NOT EXISTS ${QORU_THIRD_PARTY_INCLUDE}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${QORU_THIRD_PARTY_INCLUDE}/${dir} SYMBOLIC)
  endif()
endforeach()
configure_file(${QORU_SQLITE_SOURCE_DIR}/sqlite3.h ${QORU_THIRD_PARTY_INCLUDE}/sqlite3.h COPYONLY)

add_library(qoru_fmt STATIC ${QORU_FMT_SOURCE_DIR}/src/format.cc)
target_include_directories(qoru_fmt SYSTEM PUBLIC ${QORU_FMT_SOURCE_DIR}/include)
target_compile_options(qoru_fmt PRIVATE -w)
add_library(fmt::fmt ALIAS qoru_fmt)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${QORU_THIRD_PARTY_INCLUDE})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${QORU_THIRD_PARTY_INCLUDE})

enable_language(C)
add_library(qoru_sqlite3 STATIC ${QORU_SQLITE_SOURCE_DIR}/sqlite3.c)
target_include_directories(qoru_sqlite3 SYSTEM PUBLIC ${QORU_THIRD_PARTY_INCLUDE})
target_compile_options(qoru_sqlite3 PRIVATE -O2 -fno-strict-aliasing -w)
target_compile_definitions(qoru_sqlite3 PRIVATE
  SQLITE_SECURE_DELETE SQLITE_ENABLE_COLUMN_METADATA SQLITE_ENABLE_FTS3
  SQLITE_ENABLE_FTS3_PARENTHESIS SQLITE_ENABLE_RTREE=1 SQLITE_SOUNDEX=1
  SQLITE_ENABLE_UNLOCK_NOTIFY SQLITE_OMIT_LOOKASIDE=1 SQLITE_ENABLE_DBSTAT_VTAB
  SQLITE_ALLOW_ROWID_IN_VIEW SQLITE_ENABLE_UPDATE_DELETE_LIMIT=1 SQLITE_ENABLE_JSON1
  SQLITE_LIKE_DOESNT_MATCH_BLOBS SQLITE_THREADSAFE=1 SQLITE_USE_URI=1
  SQLITE_MAX_SCHEMA_RETRY=25 SQLITE_ENABLE_PREUPDATE_HOOK SQLITE_ENABLE_SESSION
  SQLITE_ENABLE_STMTVTAB SQLITE_MAX_VARIABLE_NUMBER=250000 SQLITE_OMIT_LOAD_EXTENSION)
set(QORU_SQLITE_TARGET qoru_sqlite3)

# zlib, the library part of its source (Debian's build adds -D_REENTRANT, which the
# mingw-w64 runtime does not need).
set(zlib_sources adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast
                 inflate inftrees trees uncompr zutil)
list(TRANSFORM zlib_sources PREPEND ${QORU_ZLIB_SOURCE_DIR}/)
list(TRANSFORM zlib_sources APPEND .c)
add_library(qoru_zlib STATIC ${zlib_sources})
configure_file(${QORU_ZLIB_SOURCE_DIR}/zlib.h ${QORU_THIRD_PARTY_INCLUDE}/zlib.h COPYONLY)
configure_file(${QORU_ZLIB_SOURCE_DIR}/zconf.h ${QORU_THIRD_PARTY_INCLUDE}/zconf.h COPYONLY)
target_include_directories(qoru_zlib SYSTEM PUBLIC ${QORU_THIRD_PARTY_INCLUDE})
target_compile_options(qoru_zlib PRIVATE -O2 -w)

# libxlsxwriter as its own build makes it static for MinGW, with three choices of ours:
#   - minizip: the copy bundled in libxlsxwriter's source, which Debian's source package
#     keeps (Debian links its libminizip instead; this copy is the one the library is
#     released and tested with, and it brings the Win32 file functions);
#   - MD5 (images written once only): the bundled code, not OpenSSL's as Debian links;
#   - the packager opens the workbook by its UTF-8 name through the wide-character API
#     (cmake/windows/xlsxwriter_packager.c), as the library does on Windows elsewhere.
set(xlsx ${QORU_XLSXWRITER_SOURCE_DIR})
file(GLOB xlsx_sources ${xlsx}/src/*.c)
list(FILTER xlsx_sources EXCLUDE REGEX ".*/packager\\.c$")
add_library(qoru_xlsxwriter STATIC ${xlsx_sources}
  ${CMAKE_CURRENT_LIST_DIR}/windows/xlsxwriter_packager.c
  ${xlsx}/third_party/minizip/ioapi.c ${xlsx}/third_party/minizip/zip.c
  ${xlsx}/third_party/minizip/iowin32.c ${xlsx}/third_party/tmpfileplus/tmpfileplus.c
  ${xlsx}/third_party/md5/md5.c)
target_include_directories(qoru_xlsxwriter SYSTEM PUBLIC ${xlsx}/include)
target_include_directories(qoru_xlsxwriter PRIVATE ${xlsx}/src ${xlsx}/third_party/minizip)
target_compile_definitions(qoru_xlsxwriter PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(qoru_xlsxwriter PRIVATE -O2 -w)
target_link_libraries(qoru_xlsxwriter PUBLIC qoru_zlib)
set(QORU_XLSXWRITER_TARGET qoru_xlsxwriter)
set(QORU_ZLIB_TARGET qoru_zlib)

# expat: its three library files; XML_STATIC for it and for those who include expat.h.
add_library(qoru_expat STATIC ${QORU_EXPAT_SOURCE_DIR}/lib/xmlparse.c
  ${QORU_EXPAT_SOURCE_DIR}/lib/xmlrole.c ${QORU_EXPAT_SOURCE_DIR}/lib/xmltok.c)
target_include_directories(qoru_expat SYSTEM PUBLIC ${QORU_EXPAT_SOURCE_DIR}/lib)
target_include_directories(qoru_expat PRIVATE ${CMAKE_CURRENT_LIST_DIR}/windows/expat)
target_compile_definitions(qoru_expat PUBLIC XML_STATIC)
target_compile_options(qoru_expat PRIVATE -O2 -w)
set(QORU_EXPAT_TARGET qoru_expat)

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

# Unicode APIs throughout; Windows 7 and later.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                        __USE_MINGW_ANSI_STDIO=1)
add_link_options(-static -static-libgcc -static-libstdc++)

# The window face's X toolkit files have no place here (faces/window/*_win.cpp stand in).
set(QORU_X11_ONLY_SOURCES faces/window/window_face.cpp faces/window/dialog_window.cpp
                          faces/window/x_display.cpp faces/window/banner.cpp)

# Tests run under Wine, in a prefix of the build's own unless one is named (the two
# builds share one in scripts/test-windows: a 64-bit prefix runs 32-bit programs too).
set(QORU_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix of the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QORU_WINE_PREFIX})

# Third-party code keeps its own files apart: they are not written for a unity build.
set_target_properties(qoru_fmt qoru_sqlite3 qoru_zlib qoru_xlsxwriter qoru_expat
                      PROPERTIES UNITY_BUILD OFF)

# In a unity build the files of the Windows API compile alone: <windows.h> defines macros
# (Yield, DeleteFile, ...) and types (BSTR) that rename or clash with what the other files
# of a batch declare.
file(GLOB_RECURSE QORU_WINDOWS_API_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_win*.cpp
     ${CMAKE_SOURCE_DIR}/tools/*_win*.cpp ${CMAKE_SOURCE_DIR}/tests/*_win*.cpp)
set_source_files_properties(${QORU_WINDOWS_API_SOURCES} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
