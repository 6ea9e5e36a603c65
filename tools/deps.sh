#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and this machine lacks.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    fonts-dejavu-core
    # The man pages, the AppStream metainfo and the desktop entry are checked with these.
    groff-base appstream desktop-file-utils
)
if [ "${VARSCOPE_WITH_WINDOWS:-1}" = 1 ]; then
    # The Windows build is cross-built and tested under Wine; the zip's start needs a virtual
    # display, and the Qt for Windows is built from Debian's source (tools/qt-windows.sh).
    packages+=(g++-mingw-w64-x86-64-posix wine64 wine xvfb x11-utils dpkg-dev)
fi

if [ "${VARSCOPE_WITH_FUZZ:-1}" = 1 ]; then
    # The fuzz harnesses and the coverage report: clang, its libFuzzer and sanitizer
    # runtimes, llvm-profdata and llvm-cov.
    packages+=(clang libclang-rt-dev llvm)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
