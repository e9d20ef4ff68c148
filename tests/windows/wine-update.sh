#!/usr/bin/env bash
# The Windows release's rkt5-flash.exe under wine against the Linux simulator, through wine's
# mapping of a COM port onto the simulator's pseudo-terminal:
#   wine-update.sh RELEASE_DIR SIM_BINARY FLASH_BINARY [COM_NUMBER]
# The update must end in "Completed." with the simulated flash equal to the image; a transceiver
# that answers every "PG" with "NG" must end in "Write failed."; a COM port with nothing behind it
# must end in "Error" with its reason.
set -euo pipefail
release=$1 sim=$2 linux_flash=$3 com=${4:-12}
work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$work/wine} WINEDEBUG=-all
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A new prefix is still being set up after wineboot returns; a program started meanwhile can
# hang on its first COM port.
if [ ! -d "$WINEPREFIX/dosdevices" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi

start_sim() {
    "$sim" --baud 57600 --flash-out "$work/flash.bin" "$@" >"$work/sim.out" &
    sim_pid=$!
    for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
    ln -sfn "$(head -n 1 "$work/sim.out")" "$WINEPREFIX/dosdevices/com$com"
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }

"$linux_flash" dump-image "$work/image.bin" >/dev/null

start_sim
out=$(wine "$release/rkt5-flash.exe" update --port "COM$com" 2>"$work/err" | tr -d '\r')
stop_sim
[ "$out" = "Completed." ] || fail "update: '$out' $(cat "$work/err")"
cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$work/flash.bin" || fail "flash differs"
echo "ok: update to \"Completed.\" on COM$com, flash equal to the image"

start_sim --fault 'PG:*:reply=NG'
out=$(wine "$release/rkt5-flash.exe" update --port "COM$com" --timeout-ms 500 2>"$work/err" |
    tr -d '\r' || true)
stop_sim
[ "$out" = "Write failed." ] || fail "persistent NG: '$out'"
echo "ok: an \"NG\" to every block ends in \"Write failed.\" ($(grep -a '^rkt5-flash' "$work/err" | tr -d '\r'))"

rm -f "$WINEPREFIX/dosdevices/com$com"
out=$(wine "$release/rkt5-flash.exe" update --port "COM$com" 2>"$work/err" | tr -d '\r' || true)
[ "$out" = "Error" ] || fail "missing port: '$out'"
echo "ok: a missing port ends in \"Error\" ($(grep -a '^rkt5-flash' "$work/err" | tr -d '\r'))"
echo "wine: 3 passed, 0 failed"
