#!/usr/bin/env bash
# Installs the build into a scratch prefix and makes its Debian package, then checks what a
# desktop and dpkg will see: the programs start from where they were installed, the menu entry
# is valid and names an installed icon, and the package depends on what the programs link.
#
#   install-and-package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
for f in bin/rkt5-flash bin/rkt5-sim; do
    [ -f "$work/usr/$f" ] || fail "not installed: $f"
done
for window in rkt5-updater rkt5-station; do
    for f in bin/$window share/applications/$window.desktop \
             share/icons/hicolor/scalable/apps/$window.svg \
             share/icons/hicolor/48x48/apps/$window.png \
             share/icons/hicolor/256x256/apps/$window.png; do
        [ -f "$work/usr/$f" ] || fail "not installed: $f"
    done
    desktop-file-validate "$work/usr/share/applications/$window.desktop"
    grep -qx "Exec=$window" "$work/usr/share/applications/$window.desktop" || fail "$window: Exec"
    grep -qx "Icon=$window" "$work/usr/share/applications/$window.desktop" || fail "$window: Icon"
    QT_QPA_PLATFORM=offscreen "$work/usr/bin/$window" --quit-when-shown 2>/dev/null ||
        fail "the installed $window did not start"
done
[ -n "$("$work/usr/bin/rkt5-flash" checksum)" ] || fail "the installed rkt5-flash did not run"

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6serialport6 libqt6core6 libstdc++6; do
    [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = fonts-ipafont-gothic ] || fail "Recommends"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/rkt5-updater ./usr/bin/rkt5-station ./usr/bin/rkt5-flash ./usr/bin/rkt5-sim \
         ./usr/share/applications/rkt5-updater.desktop ./usr/share/applications/rkt5-station.desktop \
         ./usr/share/icons/hicolor/48x48/apps/rkt5-updater.png; do
    grep -q " $f\$" <<<"$contents" || fail "not in the package: $f"
done
echo "installed and packaged: $(basename "$deb")"
echo "Depends: $depends"
