#!/usr/bin/env bash
# Makes build/windows/varscope-<version>-windows-x64.zip: varscope.exe and varscope-cli.exe
# cross-built for 64-bit Windows, the Qt and mingw runtime DLLs they load, Qt's platforms/
# and styles/ plugins, the help pages and the demo's examples/. Unzipped anywhere on Windows,
# varscope.exe starts; nothing is installed. Builds Qt for Windows first when it is not in
# its cache (tools/qt-windows.sh, once).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/qt-windows.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target windows_zip
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
zip="build/windows/varscope-$version-windows-x64.zip"
[ -f "$zip" ] || {
    echo "package-windows.sh: $zip was not made" >&2
    exit 1
}
echo "Made $zip ($(du -h "$zip" | cut -f1))"
