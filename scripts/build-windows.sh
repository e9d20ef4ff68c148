#!/usr/bin/env bash
# Makes the Windows release in build/windows/ on a Debian machine:
#   rkt5-updater.exe, rkt5-station.exe and rkt5-flash.exe, cross-built with MinGW against a Qt built for Windows
#   from Debian's Qt source (once; scripts/build-windows-qt.sh keeps it outside the clone);
#   rkt5-updater-VERSION-windows-x64/, the portable folder that runs as it is, and its .zip;
#   rkt5-updater-VERSION-windows-x64.exe, the installer.
# With --tests LINUX_BUILD it builds the unit tests for Windows too and registers them, and the
# checks of the release under wine against the simulator of LINUX_BUILD, with CTest in
# build/windows (./test.sh runs them).
set -euo pipefail
cd "$(dirname "$0")/.."
testing=(-DBUILD_TESTING=OFF)
if [ "${1:-}" = "--tests" ]; then
    testing=(-DBUILD_TESTING=ON -DRKT5_LINUX_BUILD="$(cd "$2" && pwd)")
fi
./scripts/install-deps.sh --windows
qt=$(scripts/build-windows-qt.sh | tail -n 1)

# The firmware table is made at build time by a tool that must run on this machine.
cmake -S . -B build/host -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/host --target rkt5-embed-firmware >/dev/null

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release "${testing[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DRKT5_WINDOWS_QT="$qt" -DRKT5_HOST_EMBED_FIRMWARE="$PWD/build/host/firmware/rkt5-embed-firmware" \
    >/dev/null
cmake --build build/windows -j "$(nproc)"

name=rkt5-updater-$(sed -n 's/^project(rkt5_updater VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-windows-x64
rm -rf "build/windows/$name"
cmake --install build/windows --prefix "build/windows/$name" --strip >/dev/null
(cd build/windows && cpack -G "NSIS;ZIP" >/dev/null)
echo "build/windows/$name/"
ls -1 build/windows/"$name".zip build/windows/"$name".exe
