#!/usr/bin/env bash
# Builds Qt 6.4.2 (Core, Gui, Widgets, Test and the Windows platform plugin and style) for
# 64-bit Windows with mingw-w64, from Debian's own qt6-base source, and installs it into a
# cache outside the checkout: ~/.cache/varscope/qt-6.4.2-mingw64, or $VARSCOPE_QT_WINDOWS.
# Quick and silent when that cache is there. The machine's apt setup is left untouched: the
# source is fetched with a sources list and package lists of this script's own.
set -euo pipefail

qt_version=6.4.2
prefix=${VARSCOPE_QT_WINDOWS:-$HOME/.cache/varscope/qt-$qt_version-mingw64}
ready="$prefix/varscope-qt-ready"
[ -f "$ready" ] && exit 0

here=$(cd "$(dirname "$0")/.." && pwd)
VARSCOPE_WITH_FUZZ=0 bash "$here/tools/deps.sh"

for tool in x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix \
    x86_64-w64-mingw32-windres dpkg-source perl; do
    if ! command -v "$tool" >/dev/null; then
        echo "qt-windows.sh: $tool is missing (Debian: apt install g++-mingw-w64-x86-64-posix dpkg-dev perl)" >&2
        exit 1
    fi
done
# The host's tools (moc, rcc, uic) run during the build; they must be the same version.
host_cmake=/usr/lib/x86_64-linux-gnu/cmake
if ! grep -qs "_qt_package_version \"$qt_version\"" "$host_cmake/Qt6CoreTools/Qt6CoreToolsTargets.cmake"; then
    echo "qt-windows.sh: the Linux Qt $qt_version tools are missing (Debian: apt install qt6-base-dev-tools)" >&2
    exit 1
fi

work="$prefix.work"
log="$work/build.log"
rm -rf "$work"
mkdir -p "$work"
started=$(date +%s)
echo "Building Qt $qt_version for Windows into $prefix (log: $log)"

fail() {
    echo "qt-windows.sh: $1 failed; the last lines of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
}

# Debian bookworm's source, whatever the machine's own release is.
apt="$work/apt"
mkdir -p "$apt/lists/partial" "$apt/parts" "$apt/cache/archives/partial"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt/sources.list"
apt_options=(
    -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root
)
apt-get "${apt_options[@]}" -q update >>"$log" 2>&1 || fail "apt-get update (own lists)"
(cd "$work" && apt-get "${apt_options[@]}" -q source "qt6-base") >>"$log" 2>&1 ||
    fail "apt-get source qt6-base"
source_dir=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)
[ -n "$source_dir" ] || fail "unpacking qt6-base $qt_version (another version was fetched?)"

cat >"$work/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian removed the tablet header (wintab), so tablets stay out; OpenGL stays on because
# 6.4.2's Windows plugin does not compile without it (it is loaded only when used). Bundled
# zlib, libpng, harfbuzz, freetype and pcre2, so no DLL beyond Qt's and the compiler's.
# The image formats beyond PNG stay out too. Direct2D stays on although Varscope does not
# use its platform plugin: 6.4.2's DirectWrite font code, which the Windows platform uses,
# is only built with it (without it qwindows.dll does not link).
cmake -G Ninja -S "$source_dir" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" "${launcher[@]}" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_pcre2=OFF \
    >>"$log" 2>&1 || fail "configuring Qt"
cmake --build "$work/build" >>"$log" 2>&1 || fail "building Qt"
rm -rf "$prefix"
cmake --install "$work/build" >>"$log" 2>&1 || fail "installing Qt"

elapsed=$(($(date +%s) - started))
printf 'Qt %s for Windows built in %d min %02d s on %s cores\n' "$qt_version" \
    $((elapsed / 60)) $((elapsed % 60)) "$(nproc)" | tee "$ready"
rm -rf "$work"
