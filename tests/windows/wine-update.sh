#!/usr/bin/env bash
# The Windows release's rkt5-flash.exe under wine against the Linux simulator, behind COM port N
# as wine's own port settings map it (HKLM\Software\Wine\Ports), onto a link the simulator keeps
# to its pseudo-terminal:
#   wine-update.sh RELEASE_DIR SIM_BINARY LINUX_FLASH_BINARY [N]
# "ports" must list COMn, as the system lists it, as a port that can be opened; the update must end
# in "Completed." with the simulated flash equal to the image; updating two transceivers at once,
# one that answers every "PG" with "NG" must end in "Write failed." while the other completes; a
# COM port with nothing behind it must end in "Error" with its reason; a hang-up in the write must
# end in "Write failed." as a lost line, and a transceiver frozen in it as ten sends unanswered,
# as on Linux; neither may hang. The port settings
# apply when wine starts, so this check has a prefix of its own.
set -euo pipefail
source "$(dirname "$0")/wine-prefix.sh"
release=$1 sim=$2 linux_flash=$3 com=${4:-12}
work=$(mktemp -d)
sim_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
use_wine_prefix "$work/wine"
wine reg add 'HKLM\Software\Wine\Ports' /v "COM$com" /d "$work/com$com" /f >/dev/null
wineserver -w
flash() { wine_text "$release/rkt5-flash.exe" "$@" 2>"$work/err"; }
reason() { grep -a '^rkt5-flash' "$work/err" | tr -d '\r'; }

start_sim() {
    "$sim" --baud 57600 --link "$work/com$com" --flash-out "$work/flash.bin" "$@" >"$work/sim.out" &
    sim_pid=$!
    for _ in $(seq 100); do [ -e "$work/com$com" ] && break; sleep 0.05; done
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }

"$linux_flash" dump-image "$work/image.bin" >/dev/null

start_sim
listed=$(flash ports | grep "^COM$com ") || fail "ports: no COM$com"
[[ "$listed" == *"can be opened"* ]] || fail "ports: '$listed'"
echo "ok: ports lists COM$com as one that can be opened"

out=$(flash update --port "COM$com") || fail "update: '$out' $(reason)"
stop_sim
[ "$out" = "Completed." ] || fail "update: '$out' $(reason)"
cmp -s -n $((0xFF000 - 0xC0000)) "$work/image.bin" "$work/flash.bin" || fail "flash differs"
echo "ok: update to \"Completed.\" on COM$com, flash equal to the image"

# Two units at once, each in a thread of its own: the second, unpaced, behind COM<n+1>.
start_sim --fault 'PG:*:reply=NG'
"$sim" --no-pace --link "$work/good" >/dev/null &
good_pid=$!
for _ in $(seq 100); do [ -e "$work/good" ] && break; sleep 0.05; done
map_com $((com + 1)) "$work/good"
out=$(flash update --port "COM$com" --port "COM$((com + 1))" --timeout-ms 500 || true)
stop_sim
kill "$good_pid"
wait "$good_pid" 2>/dev/null || true
[[ "$out" == *"COM$com  Write failed."* ]] || fail "persistent NG: '$out'"
[[ "$out" == *"COM$((com + 1))  Completed."* ]] || fail "the other unit: '$out'"
[[ "$out" == *"1 completed, 1 failed" ]] || fail "summary: '$out'"
echo "ok: two units at once: an \"NG\" to every block ends in \"Write failed.\", the other completes"

out=$(flash update --port "COM$com" || true)
[ "$out" = "Error" ] || fail "missing port: '$out'"
echo "ok: a missing port ends in \"Error\" ($(reason))"

# The cable pulled in the middle of the write, and the transceiver frozen in it: each run ends by
# itself with the step's message and a reason, never hangs (the time limit here is only the
# test's guard against one).
bounded() { timeout 120 wine "$release/rkt5-flash.exe" "$@" 2>"$work/err" | tr -d '\r'; }
start_sim --no-pace --fault 'PG:5:hangup=300'
started=$SECONDS
out=$(bounded update --port "COM$com" --timeout-ms 2000 || true)
stop_sim
[ "$out" = "Write failed." ] && [[ "$(reason)" == *"was lost"* ]] || fail "hang-up: '$out' $(reason)"
echo "ok: a hang-up in the write ends in \"Write failed.\" after $((SECONDS - started)) s ($(reason))"

start_sim
(sleep 5 && kill -STOP "$sim_pid") &
started=$SECONDS
out=$(bounded update --port "COM$com" --timeout-ms 1000 || true)
kill -CONT "$sim_pid"
stop_sim
[ "$out" = "Write failed." ] && [[ "$(reason)" == *"10 sends: no answer within 1000 ms"* ]] ||
    fail "frozen transceiver: '$out' $(reason)"
echo "ok: a transceiver frozen in the write ends in \"Write failed.\" after" \
    "$((SECONDS - started)) s ($(reason))"
