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
#   cpack -G NSIS    qoru-gbtxt-<version>-win64.exe: installs the tree into
#                    Program Files\qoru-gbtxt, offers to put bin\ on PATH (for all
#                    users or the current one), adds a Start-menu folder with the
#                    Chinese guide (opened in Notepad) and the uninstaller, and
#                    registers the uninstaller with Windows. Run silently (/S), it
#                    installs for all users; /ADDTOPATH puts bin\ on the system PATH
#                    there too. The uninstaller removes all of it, PATH entry included.
include_guard(GLOBAL)

set(QORU_PLUGIN_X86_DLL "" CACHE FILEPATH "The i686 build's qoru_ERP_GBtxt.dll, packed as plugin/x86")

install(TARGETS qoru-gbtxt qoru-gendata RUNTIME DESTINATION bin)
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
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN "")
# Chinese names in the script need the Unicode installer; FileFunc parses /ADDTOPATH.
set(CPACK_NSIS_DEFINES "Unicode true\n  !include FileFunc.nsh")
# The guide in the Start menu, opened in Notepad (Windows has no viewer for Markdown).
# Notepad takes the whole rest of its command line as the file's name, blanks included.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\使用说明.lnk' '$WINDIR\\\\notepad.exe' '$INSTDIR\\\\doc\\\\使用说明.md'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$START_MENU\\\\使用说明.lnk'")
# A silent install takes the options page's defaults (PATH unchanged); /ADDTOPATH asks
# for bin\ on the system PATH, and is recorded where the uninstaller looks for it.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  IfSilent 0 qoru_path_done
  \\\${GetParameters} $R0
  ClearErrors
  \\\${GetOptions} $R0 '/ADDTOPATH' $R1
  IfErrors qoru_path_done
  StrCpy $DO_NOT_ADD_TO_PATH '0'
  StrCpy $ADD_TO_PATH_ALL_USERS '1'
  StrCpy $ADD_TO_PATH_CURRENT_USER '0'
  Push 'DoNotAddToPath'
  Push '0'
  Call ConditionalAddToRegistry
  Push 'AddToPathAllUsers'
  Push '1'
  Call ConditionalAddToRegistry
  qoru_path_done:")
include(CPack)

# The packages are made from the x86-64 build, which has the command-line host.
if(QORU_BUILD_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Installs the package silently under Wine, converts the sample with the installed
  # host from another directory, uninstalls, and checks that nothing is left behind.
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
