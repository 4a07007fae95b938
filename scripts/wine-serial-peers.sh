#!/bin/sh
# Starts and stops the serial peers of the tests under Wine: COM ports of the Wine prefix that are
# symbolic links in its dosdevices folder to pseudo-terminals.
#
#   wine-serial-peers.sh start STATE_DIR PREFIX WINE_RUN SIMULATOR
#   wine-serial-peers.sh stop  STATE_DIR PREFIX
#
# The peers:
#   COM7, COM8  the two ends of a socat pseudo-terminal pair: a test holds both ends
#   COM9        the module simulator, firmware revision 1.12, staying until stopped
#   COM10       the module simulator, silent, hanging up 300 ms after a program first opens it (once)
# STATE_DIR keeps the peers' process ids, links and logs; only the processes recorded there are stopped.
set -u

usage() {
    echo "usage: $0 start STATE_DIR PREFIX WINE_RUN SIMULATOR | stop STATE_DIR PREFIX" >&2
    exit 2
}

PEER_PORTS="com7 com8 com9 com10"

stop_peers() {
    state=$1 prefix=$2
    for name in socat sim hangup; do
        if [ -f "$state/$name.pid" ]; then
            kill "$(cat "$state/$name.pid")" 2>/dev/null
            rm -f "$state/$name.pid"
        fi
    done
    for port in $PEER_PORTS; do
        # Only links to pseudo-terminals are ours to remove.
        case "$(readlink "$prefix/dosdevices/$port" 2>/dev/null)" in
            /dev/pts/*) rm -f "$prefix/dosdevices/$port" ;;
        esac
    done
}

# Waits up to 5 s for the link that a peer creates to its pseudo-terminal.
wait_for_link() {
    tries=0
    while [ ! -L "$1" ] || [ ! -e "$1" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ]; then
            echo "$0: no pseudo-terminal appeared at $1" >&2
            return 1
        fi
        sleep 0.05
    done
}

start_peers() {
    state=$1 prefix=$2 winerun=$3 simulator=$4
    command -v socat >/dev/null || { echo "$0: socat is not installed" >&2; return 1; }
    [ -x "$simulator" ] || { echo "$0: no simulator at $simulator" >&2; return 1; }
    mkdir -p "$state"
    stop_peers "$state" "$prefix" # what an interrupted run left behind
    "$winerun" true || return 1   # creates the prefix on first use
    # A port override in the prefix's registry (HKLM\Software\Wine\Ports) would relink a port to
    # its own device whenever the Wine server starts: drop any for the peers' ports. (From the state
    # folder, so that no regedit.exe of the current folder runs instead.)
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n"COM7"=-\n"COM8"=-\n"COM9"=-\n"COM10"=-\n' \
        >"$state/ports.reg"
    (cd "$state" && "$winerun" wine regedit /S ports.reg) </dev/null >/dev/null 2>&1

    # Every peer's descriptors go to files, so that nothing keeps the caller's output open.
    socat pty,raw,echo=0,link="$state/pair-a" pty,raw,echo=0,link="$state/pair-b" \
        </dev/null >"$state/socat.log" 2>&1 &
    echo $! >"$state/socat.pid"
    "$simulator" --linger-ms 0 --link "$state/sim" </dev/null >"$state/sim.out" 2>"$state/sim.log" &
    echo $! >"$state/sim.pid"
    "$simulator" --silent --hangup-after-ms 300 --linger-ms 0 --link "$state/hangup" \
        </dev/null >"$state/hangup.out" 2>"$state/hangup.log" &
    echo $! >"$state/hangup.pid"

    for link in pair-a pair-b sim hangup; do
        wait_for_link "$state/$link" || return 1
    done
    mkdir -p "$prefix/dosdevices"
    ln -sfn "$(readlink -f "$state/pair-a")" "$prefix/dosdevices/com7" &&
        ln -sfn "$(readlink -f "$state/pair-b")" "$prefix/dosdevices/com8" &&
        ln -sfn "$(readlink -f "$state/sim")" "$prefix/dosdevices/com9" &&
        ln -sfn "$(readlink -f "$state/hangup")" "$prefix/dosdevices/com10"
}

case "${1:-}" in
    start)
        [ $# -eq 5 ] || usage
        if ! start_peers "$2" "$3" "$4" "$5"; then
            stop_peers "$2" "$3"
            exit 1
        fi
        ;;
    stop)
        [ $# -eq 3 ] || usage
        stop_peers "$2" "$3"
        ;;
    *) usage ;;
esac
