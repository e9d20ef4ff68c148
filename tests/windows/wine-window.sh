#!/usr/bin/env bash
# The Windows release's windows under wine on a virtual display with a window manager, against the
# Linux simulator behind COM port N (each window's COM1 stands for it), driven by Enter alone as an
# operator updating one transceiver after another drives them:
#   wine-window.sh RELEASE_DIR SIM_BINARY LINUX_FLASH_BINARY [N]
# In rkt5-updater Enter starts the update, Enter closes its "OK" box, and Enter starts the next;
# both must end in the "OK" box with the simulated flash equal to the image. In rkt5-station Enter
# starts every row, and after the round Enter starts the next round. With RKT5_SCREENSHOT=FILE.xwd
# the display is saved there while the first box shows.
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
# Where the focus goes when a box closes is the window manager's and wine's business together, as
# on Windows; without one, wine hands it back by itself and hides what an operator meets.
openbox >/dev/null 2>&1 &
pids+=($!)
use_wine_prefix "$work/wine"

# Runs the command after $1 every half second until it succeeds, for at most $1 seconds.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.5
    done
}
# A shown window named exactly $1: prints its id.
shown() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
gone() { ! shown "$1" >/dev/null; }
# File $1 has $2 lines or more.
has_lines() { [ -f "$1" ] && [ "$(wc -l <"$1")" -ge "$2" ]; }
windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' '; }

"$linux_flash" dump-image "$work/image.bin" >/dev/null
"$sim" --no-pace --flash-out "$work/flash.bin" >"$work/sim.out" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
map_com "$com" "$(head -n 1 "$work/sim.out")"

# Starts program $1 with the rest as its arguments, and makes its window named $2 the active one.
open_window() {
    local program=$1 title=$2 window
    shift 2
    wine "$release/$program" "$@" >/dev/null 2>&1 &
    pids+=($!)
    window=$(wait_until 60 shown "$title") || fail "$program did not show its window"
    xdotool windowactivate --sync "$window"
}

open_window rkt5-updater.exe "RK-T5 ver EG5.000" --port "COM1=COM$com" --log "$work/exchange.log"
for unit in 1 2; do
    rm -f "$work/flash.bin"
    xdotool key Return
    box=$(wait_until 180 shown "OK") || fail "unit $unit: Enter started no update: $(windows)"
    if [ "$unit" = 1 ] && [ -n "${RKT5_SCREENSHOT:-}" ]; then
        # Wine leaves a box that lies wholly over its window unpainted; moved beside it, it
        # paints (on Windows it paints where it is).
        xdotool windowmove "$box" 20 300
        sleep 1
        xwd -root -silent >"$RKT5_SCREENSHOT"
        xdotool windowactivate --sync "$box"
    fi
    cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$work/flash.bin" ||
        fail "unit $unit: flash differs"
    xdotool key Return
    wait_until 10 gone "OK" || fail "unit $unit: Enter did not close the \"OK\" box"
done
echo "ok: rkt5-updater on COM1 (COM$com): Enter, Enter, Enter, Enter updated two units to the" \
    "\"OK\" box, flash equal to the image"

open_window rkt5-station.exe "RK-T5 station — EG5.000" --port "COM1=COM$com" \
    --record "$work/record.csv"
for round in 1 2; do
    xdotool key Return
    wait_until 180 has_lines "$work/record.csv" $((round + 1)) ||
        fail "round $round: Enter started no update"
done
[ "$(grep -c ',Completed\.,' "$work/record.csv")" = 2 ] || fail "record: $(cat "$work/record.csv")"
echo "ok: rkt5-station: Enter updated every row, and Enter after the round updated them again"
