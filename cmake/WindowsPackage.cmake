# The Windows release, made by `cpack` from the build folder of a Windows build
# (scripts/build-windows.sh): the programs with Qt's DLLs, the platform and style plugins and the
# MinGW runtime beside them, as a folder that runs as it is (a .zip) and as an installer (NSIS)
# with a Start-menu entry, an uninstaller and the program's icon, installed for the machine.
set(RKT5_WINDOWS_QT "" CACHE PATH "The Qt built for Windows (scripts/build-windows-qt.sh)")

if(RKT5_WINDOWS_QT)
    install(FILES ${RKT5_WINDOWS_QT}/bin/Qt6Core.dll ${RKT5_WINDOWS_QT}/bin/Qt6Gui.dll
                  ${RKT5_WINDOWS_QT}/bin/Qt6Widgets.dll
            DESTINATION .)
    install(FILES ${RKT5_WINDOWS_QT}/plugins/platforms/qwindows.dll DESTINATION platforms)
    install(DIRECTORY ${RKT5_WINDOWS_QT}/plugins/styles DESTINATION .)
endif()

# The compiler's own runtime.
include(${CMAKE_CURRENT_LIST_DIR}/MinGWRuntime.cmake)
mingw_runtime_dlls(runtime_dlls)
install(FILES ${runtime_dlls} DESTINATION .)

# Qt's DLLs and the runtime go in as they are; strip them in the installed folder with the rest.
install(CODE "
    file(GLOB_RECURSE dlls \"\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll \${dlls})
        execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded \${dll})
    endforeach()")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME rkt5-updater)
set(CPACK_PACKAGE_VENDOR "RK-T5 updater developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the RK-T5 handheld transceiver")
set(CPACK_PACKAGE_FILE_NAME rkt5-updater-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "RK-T5 Updater")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "RK-T5 Updater")
# A Start-menu entry per window.
set(CPACK_PACKAGE_EXECUTABLES rkt5-updater "RK-T5 Updater" rkt5-station "RK-T5 Station")
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_DISPLAY_NAME "RK-T5 Updater ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "RK-T5 Updater")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer for a 64-bit program: it runs where the program runs (wine64 included).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/ui/desktop/rkt5-updater.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/ui/desktop/rkt5-updater.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME rkt5-updater.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# For every user of the machine: the Start-menu entry in the common programs folder.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "SetShellVarContext all")
# CPack's uninstaller deletes the install's key under the maker's, and leaves the maker's key
# behind, empty: take it too when nothing else is in it.
set(rkt5_vendor_key "Software\\\\${CPACK_PACKAGE_VENDOR}")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "SetShellVarContext all
  DeleteRegKey SHCTX '${rkt5_vendor_key}\\\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}'
  DeleteRegKey /ifempty SHCTX '${rkt5_vendor_key}'")
include(CPack)
