#!/usr/bin/env bash
# Builds Varscope and runs every test: core, command line and windows (offscreen), again
# with AddressSanitizer, the Windows build under Wine (the core's; the window's and the zip's
# when Qt for Windows is built), and each fuzz harness briefly.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev --output-on-failure

# The same tests built with AddressSanitizer and UBSan: a use of freed or unowned memory
# fails the run even where it happens to work. VARSCOPE_WITH_ASAN=0 leaves it out.
if [ "${VARSCOPE_WITH_ASAN:-1}" = 1 ]; then
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ctest --preset asan
fi

# The core's Windows branch: cross-built with mingw-w64, its tests and varscope-cli run under
# Wine in a prefix inside the build folder. VARSCOPE_WITH_WINDOWS=0 leaves it out.
if [ "${VARSCOPE_WITH_WINDOWS:-1}" = 1 ]; then
    cmake --preset windows-core -DVARSCOPE_NATIVE_CLI="$PWD/build/dev/cli/varscope-cli" >/dev/null
    cmake --build --preset windows-core
    ctest --preset windows-core

    # The whole program for Windows against Qt for Windows (built once, into a cache, by
    # tools/qt-windows.sh): the window tests under Wine, and the zip unpacked and started.
    # VARSCOPE_WITH_WINDOWS_GUI=0 leaves them out.
    qt_windows=${VARSCOPE_QT_WINDOWS:-$HOME/.cache/varscope/qt-6.4.2-mingw64}
    if [ "${VARSCOPE_WITH_WINDOWS_GUI:-1}" != 1 ]; then
        echo "Skipped the Windows window tests (VARSCOPE_WITH_WINDOWS_GUI=0)"
    elif [ -f "$qt_windows/varscope-qt-ready" ]; then
        cmake --preset windows -DVARSCOPE_NATIVE_CLI="$PWD/build/dev/cli/varscope-cli" >/dev/null
        cmake --build --preset windows
        ctest --preset windows
    else
        echo "Skipped the Windows window tests: no Qt for Windows in $qt_windows; build it once with: bash tools/qt-windows.sh"
    fi
fi

# Every libFuzzer harness for about 20 seconds from its seeds and kept inputs, so they keep
# building and their properties keep holding. VARSCOPE_WITH_FUZZ=0 leaves it out.
if [ "${VARSCOPE_WITH_FUZZ:-1}" = 1 ]; then
    bash tools/fuzz.sh 20
fi
