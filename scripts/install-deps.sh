#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with, with --tests those its tests need
# too, and with --windows what the Windows release is made and tried with; only those missing, so
# that a second run starts at once.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev
    # The window's Japanese captions.
    fonts-ipafont-gothic
)
if [ "${1:-}" = "--windows" ]; then
    # The MinGW cross-compiler, Qt's source through apt (dpkg-source), the installer's maker, the
    # zip, and wine with Xvfb to run what was made; GoogleTest's source for the unit tests built
    # for Windows, xdotool to press the windows' keys, and a window manager that hands the focus
    # around between a window and its boxes as Windows does.
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev nsis zip wine wine64 xvfb)
    packages+=(googletest xdotool openbox)
fi
if [ "${1:-}" = "--tests" ]; then
    # GoogleTest, the independent tools the loaders are cross-checked against, what checks
    # the menu entry and builds the Debian package, and clang with libFuzzer for the fuzz targets.
    packages+=(libgtest-dev libgmock-dev srecord binutils desktop-file-utils dpkg-dev)
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
