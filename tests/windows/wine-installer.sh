#!/usr/bin/env bash
# The Windows release's installer, run silently under wine as an administrator would:
#   wine-installer.sh INSTALLER
# It must install the programs for the machine with a Start-menu entry per window and an
# uninstaller; the installed windows must start (--quit-when-shown, on a virtual display) and the
# uninstaller must take it all away again, its registry keys too.
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh"
installer=$1
work=$(mktemp -d)
display_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
start_display
use_wine_prefix "$work/wine"

folder="$WINEPREFIX/drive_c/Program Files/RK-T5 Updater"
entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/RK-T5 Updater"
# An installer and its uninstaller may go on in a process of their own: wait for the prefix's.
wine "$installer" /S
wineserver -w
for file in rkt5-updater.exe rkt5-station.exe rkt5-flash.exe Qt6Widgets.dll platforms/qwindows.dll Uninstall.exe; do
    [ -f "$folder/$file" ] || fail "not installed: $file"
done
[ -f "$entry/RK-T5 Updater.lnk" ] || fail "no Start-menu entry"
[ -f "$entry/RK-T5 Station.lnk" ] || fail "no Start-menu entry for the station"
vendor_key='HKLM\Software\RK-T5 updater developers'
wine reg query "$vendor_key" >/dev/null 2>&1 || fail "no key $vendor_key"
echo "ok: installed silently into C:\\Program Files\\RK-T5 Updater, with its Start-menu entry"

version=$(wine_text "$folder/rkt5-flash.exe" --version)
[ "$version" = "rkt5-flash 5.0" ] || fail "installed rkt5-flash.exe --version: '$version'"
timeout 120 wine "$folder/rkt5-updater.exe" --quit-when-shown ||
    fail "the installed rkt5-updater.exe did not start and quit"
echo "ok: the installed rkt5-updater.exe starts and shows its window; $version"
timeout 120 wine "$folder/rkt5-station.exe" --quit-when-shown ||
    fail "the installed rkt5-station.exe did not start and quit"
echo "ok: the installed rkt5-station.exe starts and shows its window"

wine "$folder/Uninstall.exe" /S
wineserver -w
[ ! -e "$folder/rkt5-updater.exe" ] && [ ! -e "$folder/rkt5-station.exe" ] && [ ! -e "$entry" ] || fail "the uninstaller left the program"
! wine reg query "$vendor_key" >/dev/null 2>&1 || fail "the uninstaller left $vendor_key"
echo "ok: the uninstaller removes the programs, the Start-menu entry and the registry keys"
