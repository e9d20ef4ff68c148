# Sourced by the wine checks.
#   use_wine_prefix DIR: the wine prefix to run in, made on first use under a lock, with wine quiet.
#   serve_wine_prefix DIR: as use_wine_prefix, for many programs in one prefix (the unit tests, two
#     at a time): one wine server serves them all and stays until it has been idle for 30 s, with
#     wine's services started once and kept off the caller's output. Left to itself, wine starts
#     its services anew for every program (a second apiece) and stops them between programs, and a
#     program that starts while they stop fails with "wine client error:0: recvmsg: Connection
#     reset by peer".
#   start_display: a virtual display for the windows; sets DISPLAY and display_pid. Every wine
#     program of a prefix must see the same display, so it comes before the prefix.
#   map_com N DEVICE: COMn opens DEVICE.
#   wine_text PROGRAM [ARGUMENTS]...: the program's output without the CRs of its line ends.
use_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 9>&-
    ) 9>"$WINEPREFIX.lock"
}

serve_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        # Exits with 2, changing nothing, while a server of this prefix runs. Neither the server nor
        # the services may keep the lock.
        if wineserver -p30 </dev/null >/dev/null 2>&1 9>&-; then
            wineboot </dev/null >/dev/null 2>&1 9>&-
        fi
    ) 9>"$WINEPREFIX.lock"
}

start_display() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" 2>/dev/null &
    display_pid=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.05; done
    export DISPLAY=":$(cat "$number")"
    rm -f "$number"
}

map_com() {
    ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
}

wine_text() {
    wine "$@" | tr -d '\r'
}
