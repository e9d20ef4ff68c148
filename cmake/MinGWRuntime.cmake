# mingw_runtime_dlls(VAR): the MinGW runtime DLLs that the cross-built programs need, wherever
# this MinGW keeps them.
function(mingw_runtime_dlls var)
    set(dlls)
    foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}")
            find_file(path ${runtime} PATHS /usr/x86_64-w64-mingw32/lib NO_CACHE REQUIRED)
        endif()
        list(APPEND dlls ${path})
        unset(path)
    endforeach()
    set(${var} ${dlls} PARENT_SCOPE)
endfunction()
