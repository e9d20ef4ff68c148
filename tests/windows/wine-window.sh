#!/usr/bin/env bash
# The Windows release's window under wine on a virtual display, against the Linux simulator
# behind COM port N (the window's COM1 stands for it):
#   wine-window.sh RELEASE_DIR SIM_BINARY LINUX_FLASH_BINARY [N]
# "Start" is pressed by Enter, as the operator does; the update must end in the "OK" box with the
# simulated flash equal to the image. With RKT5_SCREENSHOT=FILE.xwd the display is saved there
# while the box shows.
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh"
release=$1 sim=$2 linux_flash=$3 com=${4:-13}
work=$(mktemp -d)
display_pid=""
pids=()
cleanup() {
    exec 2>/dev/null  # the shell's notes on the programs it stops here
    wineserver -k || true
    for pid in "${pids[@]}" $display_pid; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/exchange.log" ] && tail -n 5 "$work/exchange.log"; exit 1; }
start_display
use_wine_prefix "$work/wine"

# Waits up to $1 seconds for a shown window named exactly $2; prints its id.
window_named() {
    local deadline=$((SECONDS + $1))
    until xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1 | grep .; do
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.5
    done
}

"$linux_flash" dump-image "$work/image.bin" >/dev/null
"$sim" --baud 57600 --flash-out "$work/flash.bin" >"$work/sim.out" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
map_com "$com" "$(head -n 1 "$work/sim.out")"

wine "$release/rkt5-updater.exe" --port "COM1=COM$com" --log "$work/exchange.log" \
    >/dev/null 2>&1 &
pids+=($!)
main=$(window_named 60 "RK-T5 ver EG5.000") || fail "the window did not show"
xdotool windowfocus --sync "$main" key Return
box=$(window_named 180 "OK") || fail "no \"OK\" box: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' ')"
if [ -n "${RKT5_SCREENSHOT:-}" ]; then
    # Without a window manager wine leaves a box that lies wholly over its window unpainted;
    # moved beside it, it paints (on Windows it paints where it is).
    xdotool windowmove "$box" 20 300
    sleep 1
    xwd -root -silent >"$RKT5_SCREENSHOT"
fi
cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$work/flash.bin" || fail "flash differs"
echo "ok: the window on COM1 (COM$com) updated by Enter to the \"OK\" box, flash equal to the image"
