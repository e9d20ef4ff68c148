#!/usr/bin/env bash
# The main job: installs what is missing, builds, and updates a simulated RK-T5 with the built-in
# EG5.000 firmware over a pseudo-terminal paced like a real 57600 bit/s line, then checks that the
# transceiver's flash now holds the image.
#
#   ./run.sh [--gui | --terminal]
#
# With a display (or --gui) the updater's window opens with COM1 bound to the simulated
# transceiver: press "Start" (or Enter), read the message, close the window. Without one (or with
# --terminal) rkt5-flash runs the same update.
set -euo pipefail
cd "$(dirname "$0")"

case "${1:-}" in
    --gui) mode=gui ;;
    --terminal) mode=terminal ;;
    "") if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then mode=gui; else mode=terminal; fi ;;
    *) echo "usage: ./run.sh [--gui | --terminal]" >&2; exit 2 ;;
esac

./scripts/install-deps.sh
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
targets=(rkt5-sim rkt5-flash)
[ "$mode" = gui ] && targets+=(rkt5-updater)
cmake --build --preset default -j "$(nproc)" --target "${targets[@]}" >/dev/null
bin=build/default

work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The simulated transceiver prints its port on its first line and writes its flash memory out
# when the update leaves flash mode.
"$bin/sim/rkt5-sim" --baud 57600 --flash-out "$work/flash.bin" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
    [ -s "$work/sim.out" ] && break
    sleep 0.05
done
port=$(head -n 1 "$work/sim.out")
if [ -z "$port" ]; then
    echo "The simulated transceiver did not start." >&2
    exit 1
fi
echo "Simulated RK-T5 on $port (57600 bit/s, 8N1)"

echo "Image: built-in EG5.000, sum of E0000-FFFFF = $("$bin/cli/rkt5-flash" checksum)"

status=0
if [ "$mode" = gui ]; then
    echo "The updater's window is open with COM1 on the simulated transceiver: press \"Start\""
    echo "(or Enter), wait for the message, then close the window."
    "$bin/ui/rkt5-updater" --port "COM1=$port" || status=$?
else
    "$bin/cli/rkt5-flash" update --port "$port" || status=$?
fi

# Compare what the update may write, 0xC0000-0xFEFFF; the top block is only written with the
# access word.
"$bin/cli/rkt5-flash" dump-image "$work/image.bin"
if [ ! -f "$work/flash.bin" ]; then
    echo "The simulated transceiver was not updated: it never left flash mode."
    status=1
elif cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$work/flash.bin"; then
    echo "Verified: the transceiver's flash 0xC0000-0xFEFFF equals the EG5.000 image."
else
    echo "MISMATCH: the transceiver's flash does not equal the EG5.000 image."
    status=1
fi
exit $status
