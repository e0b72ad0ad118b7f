# The Windows cross build (mingw-w64, see scripts/build-windows).
#   - SQLite: the amalgamation of Debian's source package (QORU_SQLITE_SOURCE_DIR),
#     compiled with the options of Debian's own build and linked statically.
#   - fmt (header-only), CLI11 and nlohmann-json: the headers of the Debian packages
#     that the Linux build uses, seen through a folder of their own so that no other
#     header of the Linux system reaches the cross compiler.
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
if(NOT EXISTS "${QORU_GBK_TABLES_SOURCE}")
  message(FATAL_ERROR "QORU_GBK_TABLES_SOURCE must name the tables that the Linux build's "
                      "qoru-dump-codepage writes (scripts/build-windows makes them)")
endif()

set(QORU_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${QORU_THIRD_PARTY_INCLUDE})
foreach(dir fmt CLI nlohmann)
  if(NOT EXISTS ${QORU_THIRD_PARTY_INCLUDE}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${QORU_THIRD_PARTY_INCLUDE}/${dir} SYMBOLIC)
  endif()
endforeach()
configure_file(${QORU_SQLITE_SOURCE_DIR}/sqlite3.h ${QORU_THIRD_PARTY_INCLUDE}/sqlite3.h COPYONLY)

add_library(fmt::fmt INTERFACE IMPORTED)
target_include_directories(fmt::fmt SYSTEM INTERFACE ${QORU_THIRD_PARTY_INCLUDE})
target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY)
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

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

# Unicode APIs throughout; Windows 7 and later.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                        __USE_MINGW_ANSI_STDIO=1)
add_link_options(-static -static-libgcc -static-libstdc++)

# The window face's X toolkit files have no place here (faces/*_win.cpp stand in).
set(QORU_X11_ONLY_SOURCES faces/window_face.cpp faces/dialog_window.cpp faces/x_display.cpp
                          faces/banner.cpp)

# Tests run under Wine, in a prefix of the build's own unless one is named (the two
# builds share one in scripts/test-windows: a 64-bit prefix runs 32-bit programs too).
set(QORU_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The Wine prefix of the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QORU_WINE_PREFIX})
