# The mingw-w64 cross build with the window: Qt for Windows as tools/qt-windows.sh builds it
# ($VARSCOPE_QT_WINDOWS, else ~/.cache/varscope/qt-6.4.2-mingw64), the Linux Qt's moc, rcc
# and uic as host tools. The programs use Qt's DLLs and the compiler's, copied beside them
# (cmake/Windows.cmake).
set(VARSCOPE_QT_WINDOWS "$ENV{VARSCOPE_QT_WINDOWS}")
if(NOT VARSCOPE_QT_WINDOWS)
    set(VARSCOPE_QT_WINDOWS "$ENV{HOME}/.cache/varscope/qt-6.4.2-mingw64")
endif()
if(NOT EXISTS "${VARSCOPE_QT_WINDOWS}/varscope-qt-ready")
    message(FATAL_ERROR "No Qt for Windows in ${VARSCOPE_QT_WINDOWS}: build it once with "
                        "bash tools/qt-windows.sh (or name another with VARSCOPE_QT_WINDOWS)")
endif()

# The compiler's runtime DLLs (libstdc++, libgcc_s, winpthread), which Qt's DLLs load.
set(VARSCOPE_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "mingw-w64 has no ${dll} (Debian: apt install g++-mingw-w64-x86-64-posix)")
    endif()
    list(APPEND VARSCOPE_MINGW_RUNTIME_DLLS "${found}")
endforeach()
# Programs copied elsewhere by the tests (the stand-in editor) find the DLLs all the same.
if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    set(VARSCOPE_WINE_EXTRA_ENV "WINEPATH=Z:${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw64.cmake)

list(APPEND CMAKE_FIND_ROOT_PATH "${VARSCOPE_QT_WINDOWS}")
list(APPEND CMAKE_PREFIX_PATH "${VARSCOPE_QT_WINDOWS}")
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
# Only the compiler's own libraries linked in: Qt's DLLs bring theirs, and the programs
# share them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
