#!/usr/bin/env bash
# Builds Qt (Core, Gui, Widgets and the Windows platform plugin) for 64-bit Windows with MinGW,
# from the source of the Qt that Debian ships here, once: the result is kept in a cache outside
# the clone (RKT5_CACHE, default /var/cache/rkt5) and later runs reuse it. Prints the prefix.
#
# Qt's serial port module is not in Debian's source archive; the programs bring their own Win32
# serial port instead.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${RKT5_CACHE:-/var/cache/rkt5}
version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[-+].*//')
prefix=$cache/qt-$version-mingw64
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Qt's source comes from Debian's source archive, which needs a deb-src entry (signed by the
# same key as the binary archive, or apt refuses the pair).
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        $sudo tee /etc/apt/sources.list.d/rkt5-deb-src.sources >/dev/null
fi
$sudo apt-get update -qq

work=$cache/qt-$version-work
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && apt-get source -qq --download-only qt6-base >/dev/null &&
    dpkg-source -x --no-check qt6-base_*.dsc src >/dev/null)

# Only what the window and the terminal flasher use; the tablet events need wintab.h, which
# Debian's source leaves out, and dynamic GL needs OpenGL.
cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
    -DFEATURE_testlib=OFF >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
