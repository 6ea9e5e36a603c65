# Cross-builds for 64-bit Windows with Debian's mingw-w64 (posix threads variant, so
# std::thread and std::mutex exist) and runs the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARSCOPE_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${VARSCOPE_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VARSCOPE_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VARSCOPE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARSCOPE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime: the .exe files run on a bare Windows (or Wine prefix) without the
# compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the tests headless, in a prefix of the build folder so nothing lands in the
# user's home: no display, no menu entries, no Mono or Gecko downloads.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(VARSCOPE_WINE NAMES wine wine64 PATHS /usr/lib/wine)
    find_program(VARSCOPE_WINESERVER NAMES wineserver wineserver64 PATHS /usr/lib/wine)
    if(VARSCOPE_WINE AND VARSCOPE_WINESERVER)
        set(VARSCOPE_WINE_ROOT "${CMAKE_BINARY_DIR}/wine")
        set(VARSCOPE_WINE_ENV
            env "WINEPREFIX=${VARSCOPE_WINE_ROOT}/prefix" "HOME=${VARSCOPE_WINE_ROOT}/home"
                WINEDEBUG=-all DISPLAY= WAYLAND_DISPLAY=
                WINEDLLOVERRIDES=winemenubuilder.exe,mscoree,mshtml=d ${VARSCOPE_WINE_EXTRA_ENV})
        set(CMAKE_CROSSCOMPILING_EMULATOR ${VARSCOPE_WINE_ENV} ${VARSCOPE_WINE})
    endif()
endif()
