# Installing the command-line host, the plug-in and their documents, and packing them
# as a Debian package.
#
#   cmake --install build --prefix P
#       P/bin/qoru-gbtxt, P/bin/qoru-gendata (the book sets of the guide's examples)
#       P/lib/<multiarch>/libqoru_ERP_GBtxt.so.<version>, its SONAME link and the
#         development link
#       P/include/qoru_ERP_GBtxt.h
#       P/share/man/man1/qoru-gbtxt.1, qoru-gendata.1
#       P/share/bash-completion/completions/qoru-gbtxt
#       P/share/doc/qoru-gbtxt/README.md, guide.zh_CN.md (docs/使用说明.md) and its
#         picture
#
#   cpack -G DEB          (in the build directory)
#       qoru-gbtxt_<version>_<arch>.deb for /usr, its Depends computed from the
#       binaries by dpkg-shlibdeps
#
# The installed host finds the installed library by its place relative to its own
# executable; the installed binaries carry no RPATH, so nothing of the build tree is
# ever looked at.
include_guard(GLOBAL)

# Debian keeps libraries in the multiarch directory, and so does every prefix here
# unless CMAKE_INSTALL_LIBDIR says otherwise (the dynamic loader searches
# /usr/local/lib/<multiarch> too).
if(NOT DEFINED CMAKE_INSTALL_LIBDIR AND CMAKE_LIBRARY_ARCHITECTURE)
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}"
      CACHE PATH "Object code libraries (lib/<multiarch>)")
endif()
include(GNUInstallDirs)

# The plug-in's SONAME carries the major version: libqoru_ERP_GBtxt.so.0.
set_target_properties(qoru_ERP_GBtxt PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  INSTALL_RPATH "")
set_target_properties(qoru-gbtxt qoru-gendata PROPERTIES INSTALL_RPATH "")

# Where the installed host looks for the plug-in: relative to its executable's
# directory, so that a prefix copied or moved elsewhere still works.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QORU_LIBRARY_FROM_BIN "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH QORU_LIBRARY_FROM_BIN "/prefix/${CMAKE_INSTALL_BINDIR}"
       "/prefix/${CMAKE_INSTALL_LIBDIR}")
endif()
target_compile_definitions(qoru_process PRIVATE
  QORU_INSTALLED_LIBRARY="${QORU_LIBRARY_FROM_BIN}/$<TARGET_SONAME_FILE_NAME:qoru_ERP_GBtxt>")

set(QORU_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/qoru-gbtxt)
install(TARGETS qoru-gbtxt qoru-gendata RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qoru_ERP_GBtxt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/qoru_ERP_GBtxt.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES docs/qoru-gbtxt.1 docs/qoru-gendata.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES tools/qoru_gbtxt/qoru-gbtxt.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qoru-gbtxt)
# The guide is installed under an ASCII name: CPack cannot pack a non-ASCII file name
# when it runs in the C locale. The README's links are rewritten for the flat doc
# folder, so that they lead to the installed guide and screenshot.
file(READ ${CMAKE_SOURCE_DIR}/README.md qoru_readme)
string(REPLACE "[`docs/使用说明.md`](docs/使用说明.md)" "[`guide.zh_CN.md`](guide.zh_CN.md)"
       qoru_readme "${qoru_readme}")
string(REPLACE "](docs/window-face" "](window-face" qoru_readme "${qoru_readme}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/README.md CONTENT "${qoru_readme}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
install(FILES ${CMAKE_BINARY_DIR}/doc/README.md ARCHITECTURE.md docs/window-face.png
              docs/screen-workpaper.png docs/window-face-windows.png docs/workpaper-cover.png
              docs/workpaper-tie-out.png docs/workpaper-page.png
              DESTINATION ${QORU_DOC_DIR})
install(FILES docs/使用说明.md DESTINATION ${QORU_DOC_DIR} RENAME guide.zh_CN.md)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qoru-gbtxt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "把账套文本数据转换为暂存数据库 GBA.mdb 的插件库和命令行工具")
# The summary above is the first line; CPack indents the rest as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "账套的文本导出（GBK 编码、制表符分隔的表文件和格式说明 GSSM.txt）经过暂存、
改写和导入，成为一个 SQLite 3 数据库 GBA.mdb：补全会计科目的上级科目，
把辅助核算展开为按类别的列，并生成 aidInfo、aidVour、aidBal 三张表。

命令行工具 qoru-gbtxt 转换、预检账套；插件库 libqoru_ERP_GBtxt.so
和头文件 qoru_ERP_GBtxt.h 供宿主程序调用。
使用说明见 /usr/share/doc/qoru-gbtxt/guide.zh_CN.md 和 man qoru-gbtxt。")
set(CPACK_PACKAGE_CONTACT "qoru_ERP_GBtxt maintainers <maintainers@users.noreply.c-seed-c2705fc0.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: every shared library the binaries link, with the versions they need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's shlibs file and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The window face draws its texts in this font; the other faces need no font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-zenhei)
include(CPack)

# The ThreadSanitizer build makes only the test binary, so it has no install tree.
if(QORU_BUILD_TESTS AND NOT QORU_THREAD_SANITIZE)
  # Each test installs (or packs) on its own into a temporary directory; the lock keeps
  # two installs from writing the build tree's install manifest at once.
  add_test(NAME Install.ConvertsTheSampleFromAMovedPrefixWithoutTheBuildTree
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/install_tree_test.sh
                   ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} $<$<BOOL:${QORU_SANITIZE}>:sanitized>)
  add_test(NAME Install.CompletionOffersEverySubcommandAndOption
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/completion_test.sh
                   $<TARGET_FILE:qoru-gbtxt> ${CMAKE_SOURCE_DIR}/tools/qoru_gbtxt/qoru-gbtxt.bash)
  add_test(NAME Install.ManPageDescribesEveryOptionAndExitCode
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/man_page_test.sh
                   $<TARGET_FILE:qoru-gbtxt> ${CMAKE_SOURCE_DIR}/docs/qoru-gbtxt.1)
  set_tests_properties(Install.ConvertsTheSampleFromAMovedPrefixWithoutTheBuildTree
                       PROPERTIES RESOURCE_LOCK qoru_install)
  if(QORU_SANITIZE)
    set_tests_properties(Install.ConvertsTheSampleFromAMovedPrefixWithoutTheBuildTree PROPERTIES
                         ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp")
  endif()
  # The guide shows real outputs of the programs; this fails when they have drifted
  # (scripts/make-guide regenerates them). Once is enough: in the optimised build.
  if(NOT QORU_SANITIZE)
    add_test(NAME Guide.ShowsTheOutputsOfTheCurrentPrograms
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-guide --check ${CMAKE_BINARY_DIR})
  endif()
  # The package is made from the optimised build only: a sanitized one would depend on
  # the sanitizer runtimes.
  find_program(QORU_DPKG_DEB dpkg-deb)
  if(QORU_DPKG_DEB AND NOT QORU_SANITIZE)
    add_test(NAME Package.DebHoldsTheInstallTreeDependsOnItsLibrariesAndConverts
             COMMAND ${CMAKE_SOURCE_DIR}/tests/install/package_test.sh
                     ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
    set_tests_properties(Package.DebHoldsTheInstallTreeDependsOnItsLibrariesAndConverts
                         PROPERTIES RESOURCE_LOCK qoru_install)
  endif()
endif()
