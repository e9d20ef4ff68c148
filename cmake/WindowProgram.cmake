# A window program as the desktop knows it: its icon built into the program from the pictures in
# its desktop/ folder, and installed with its menu entry and icons where a desktop looks for them.
# On Windows it is a window without a console, with its icon in the program file for Explorer and
# the Start menu.
include(GNUInstallDirs)

function(rkt5_window_program target)
    qt_add_resources(${target} icons PREFIX /icons BASE desktop FILES
        desktop/${target}-48.png
        desktop/${target}-256.png
    )
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(WIN32)
        set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
        target_sources(${target} PRIVATE desktop/${target}.rc)
        return()
    endif()
    install(FILES desktop/${target}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES desktop/${target}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 48 256)
        install(FILES desktop/${target}-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME ${target}.png)
    endforeach()
endfunction()
