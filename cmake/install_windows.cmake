# Installing the Windows build and packing it as a portable zip and an installer.
#
#   cmake --install build-windows/x86_64 --prefix P
#       P/bin/qoru-gbtxt.exe, qoru_ERP_GBtxt.dll (64-bit, beside the host that loads it),
#         qoru-gendata.exe
#       P/plugin/x86/qoru_ERP_GBtxt.dll   the plug-in for 32-bit hosts, when
#         QORU_PLUGIN_X86_DLL names the i686 build's DLL (scripts/build-windows does)
#       P/include/qoru_ERP_GBtxt.h
#       P/doc/README.md, 使用说明.md and the pictures they show
#       P/examples/sample/     the sample book set
#
#   cpack -G ZIP     qoru-gbtxt-<version>-win64.zip: the tree above in one folder,
#                    to unpack anywhere and run from there
#       P/bin/qoru-gbtxt-prompt.cmd   a command prompt where qoru-gbtxt is found:
#         bin\ first on that window's own PATH, the system's left as it is
#   cpack -G NSIS    qoru-gbtxt-<version>-win64.exe: installs the tree into
#                    Program Files\qoru-gbtxt, adds a Start-menu folder with that
#                    prompt, the Chinese guide (opened in Notepad) and the uninstaller,
#                    and registers the uninstaller with Windows. Run silently (/S), it
#                    installs for all users without a question. It never edits the PATH
#                    of the system or a user: the installer's strings hold 1,024
#                    characters, and a longer PATH would be read short and written back
#                    damaged. The uninstaller removes all of it.
include_guard(GLOBAL)

set(QORU_PLUGIN_X86_DLL "" CACHE FILEPATH "The i686 build's qoru_ERP_GBtxt.dll, packed as plugin/x86")

install(TARGETS qoru-gbtxt qoru-gendata RUNTIME DESTINATION bin)
# The prompt: a batch file of its own (CR LF), started by its shortcut or by a double
# click; it ends in an interactive cmd that keeps the window and its PATH.
file(WRITE ${CMAKE_BINARY_DIR}/qoru-gbtxt-prompt.cmd
     "@echo off\r\n"
     "title qoru-gbtxt\r\n"
     "set \"PATH=%~dp0;%PATH%\"\r\n"
     "cd /d \"%USERPROFILE%\"\r\n"
     "qoru-gbtxt --version\r\n"
     "cmd /k\r\n")
install(FILES ${CMAKE_BINARY_DIR}/qoru-gbtxt-prompt.cmd DESTINATION bin)
install(TARGETS qoru_ERP_GBtxt RUNTIME DESTINATION bin LIBRARY DESTINATION bin)
if(QORU_PLUGIN_X86_DLL)
  install(FILES ${QORU_PLUGIN_X86_DLL} DESTINATION plugin/x86)
endif()
install(FILES include/qoru_ERP_GBtxt.h DESTINATION include)
# The README's links are rewritten for the flat doc folder.
file(READ ${CMAKE_SOURCE_DIR}/README.md qoru_readme)
string(REPLACE "](docs/" "](" qoru_readme "${qoru_readme}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/README.md CONTENT "${qoru_readme}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
install(FILES ${CMAKE_BINARY_DIR}/doc/README.md docs/使用说明.md docs/window-face.png
              docs/window-face-windows.png DESTINATION doc)
install(DIRECTORY examples/sample DESTINATION examples)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME qoru-gbtxt)
set(CPACK_PACKAGE_VENDOR qoru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY qoru-gbtxt)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY qoru-gbtxt)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "把账套文本数据转换为暂存数据库 GBA.mdb 的插件库和命令行工具")
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/docs/windows-install-notice.txt)

set(CPACK_NSIS_PACKAGE_NAME "qoru-gbtxt ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME "qoru-gbtxt ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN "")
# Chinese names in the script need the Unicode installer.
set(CPACK_NSIS_DEFINES "Unicode true")
# The guide in the Start menu, opened in Notepad (Windows has no viewer for Markdown);
# Notepad takes the whole rest of its command line as the file's name, blanks included.
# And the prompt, in the user's folder, showing the version to say that qoru-gbtxt is
# found there.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\使用说明.lnk' '$WINDIR\\\\notepad.exe' '$INSTDIR\\\\doc\\\\使用说明.md'
  CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\qoru-gbtxt 命令提示符.lnk' '$INSTDIR\\\\bin\\\\qoru-gbtxt-prompt.cmd'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA
    "Delete '$SMPROGRAMS\\\\$START_MENU\\\\使用说明.lnk'
  Delete '$SMPROGRAMS\\\\$START_MENU\\\\qoru-gbtxt 命令提示符.lnk'")
include(CPack)

# The packages are made from the x86-64 build, which has the command-line host.
if(QORU_BUILD_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Installs the package silently under Wine over a PATH of 2,000 characters, converts
  # the sample with the installed host as its Start-menu prompt finds it, uninstalls,
  # and checks that nothing is left behind and the PATH is as it was.
  if(NOT DEFINED QORU_WINE_PREFIX)
    set(QORU_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  endif()
  add_test(NAME Package.WindowsInstallerInstallsConvertsAndUninstallsCleanly
           COMMAND ${CMAKE_SOURCE_DIR}/tests/install/windows_installer_test.sh
                   ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${QORU_WINE_PREFIX})
  set_tests_properties(Package.WindowsInstallerInstallsConvertsAndUninstallsCleanly
                       PROPERTIES RESOURCE_LOCK qoru_install TIMEOUT 600
                       # the installer is a 32-bit program
                       LABELS wine32)
endif()
