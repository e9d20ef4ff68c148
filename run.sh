#!/usr/bin/env bash
# The main job: installs what is missing, builds, and updates a simulated RK-T5 with the built-in
# EG5.000 firmware over a pseudo-terminal paced like a real 57600 bit/s line, then checks that the
# transceiver's flash now holds the image.
#
#   ./run.sh [--gui | --terminal] [--station N]
#
# With a display (or --gui) the updater's window opens with COM1 bound to the simulated
# transceiver: press "Start" (or Enter), read the message, close the window. Without one (or with
# --terminal) rkt5-flash runs the same update.
#
# --station N simulates N transceivers: the station window opens with COM1 to COMn bound to them
# (press "Start all", then close it), or without a display rkt5-flash updates all N at once; each
# transceiver's flash is checked afterwards.
set -euo pipefail
cd "$(dirname "$0")"

usage() {
    echo "usage: ./run.sh [--gui | --terminal] [--station N]" >&2
    exit 2
}
mode=""
units=0
while [ $# -gt 0 ]; do
    case "$1" in
        --gui) mode=gui ;;
        --terminal) mode=terminal ;;
        --station)
            [[ "${2:-}" =~ ^[1-9][0-9]?$ ]] && [ "$2" -le 16 ] || usage
            units=$2
            shift
            ;;
        *) usage ;;
    esac
    shift
done
if [ -z "$mode" ]; then
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then mode=gui; else mode=terminal; fi
fi

./scripts/install-deps.sh
cmake --preset default -DBUILD_TESTING=OFF >/dev/null
targets=(rkt5-sim rkt5-flash)
if [ "$mode" = gui ]; then
    [ "$units" -gt 0 ] && targets+=(rkt5-station) || targets+=(rkt5-updater)
fi
cmake --build --preset default -j "$(nproc)" --target "${targets[@]}" >/dev/null
bin=build/default

work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The simulated transceivers print their ports, one a line, and write their flash memory out when
# an update leaves flash mode (flash-K.bin for unit K of several).
count=$((units > 0 ? units : 1))
"$bin/sim/rkt5-sim" --count "$count" --baud 57600 --flash-out "$work/flash.bin" >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
    [ "$(wc -l <"$work/sim.out")" -ge "$count" ] && break
    sleep 0.05
done
mapfile -t ports < <(head -n "$count" "$work/sim.out")
if [ "${#ports[@]}" -lt "$count" ]; then
    echo "The simulated transceivers did not start." >&2
    exit 1
fi
flashes=("$work/flash.bin")
if [ "$units" -gt 0 ]; then
    flashes=()
    for k in $(seq "$units"); do flashes+=("$work/flash-$k.bin"); done
fi
for k in "${!ports[@]}"; do
    echo "Simulated RK-T5 on ${ports[$k]} (57600 bit/s, 8N1)"
done

echo "Image: built-in EG5.000, sum of E0000-FFFFF = $("$bin/cli/rkt5-flash" checksum)"

bindings=()
flash_ports=()
for k in "${!ports[@]}"; do
    bindings+=(--port "COM$((k + 1))=${ports[$k]}")
    flash_ports+=(--port "${ports[$k]}")
done
status=0
if [ "$mode" = gui ] && [ "$units" -gt 0 ]; then
    echo "The station window is open with COM1 to COM$units on the simulated transceivers: press"
    echo "\"Start all\", wait for every row's result, then close the window."
    "$bin/ui/station/rkt5-station" "${bindings[@]}" || status=$?
elif [ "$mode" = gui ]; then
    echo "The updater's window is open with COM1 on the simulated transceiver: press \"Start\""
    echo "(or Enter), wait for the message, then close the window."
    "$bin/ui/rkt5-updater" "${bindings[@]}" || status=$?
else
    "$bin/cli/rkt5-flash" update "${flash_ports[@]}" || status=$?
fi

# Compare what the update may write, 0xC0000-0xFEFFF; the top block is only written with the
# access word.
"$bin/cli/rkt5-flash" dump-image "$work/image.bin"
for k in "${!flashes[@]}"; do
    flash=${flashes[$k]}
    unit="the transceiver"
    [ "$units" -gt 0 ] && unit="transceiver $((k + 1)) on ${ports[$k]}"
    if [ ! -f "$flash" ]; then
        echo "Not updated: $unit never left flash mode."
        status=1
    elif cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$flash"; then
        echo "Verified: the flash of $unit, 0xC0000-0xFEFFF, equals the EG5.000 image."
    else
        echo "MISMATCH: the flash of $unit does not equal the EG5.000 image."
        status=1
    fi
done
exit $status
