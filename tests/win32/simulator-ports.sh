# Sourced by the Wine test scripts: module simulators (built for the host) behind COM ports of a Wine
# prefix, each port a link in the prefix's dosdevices folder to its simulator's pseudo-terminal.
# The scripts set STATE (their state folder), PREFIX and SIMULATOR, and PORTS (com41 ...) for the stop.

# stop_simulators: ends the simulators recorded in $STATE and removes their links (only links to
# pseudo-terminals are ours to remove).
stop_simulators() {
    for port in $PORTS; do
        [ -f "$STATE/$port.pid" ] && kill "$(cat "$STATE/$port.pid")" 2>/dev/null
        rm -f "$STATE/$port.pid"
        case "$(readlink "$PREFIX/dosdevices/$port" 2>/dev/null)" in
            /dev/pts/*) rm -f "$PREFIX/dosdevices/$port" ;;
        esac
    done
}

# start_simulator PORT [SIMULATOR OPTIONS]: the simulator behind PORT, its output in $STATE/PORT.out
# and $STATE/PORT.log; returns once the port is linked.
start_simulator() {
    port=$1
    shift
    "$SIMULATOR" --linger-ms 0 --link "$STATE/$port" "$@" </dev/null >"$STATE/$port.out" 2>"$STATE/$port.log" &
    echo $! >"$STATE/$port.pid"
    tries=0
    while [ ! -L "$STATE/$port" ] || [ ! -e "$STATE/$port" ]; do
        tries=$((tries + 1))
        [ "$tries" -gt 100 ] && { echo "no pseudo-terminal for $port" >&2; return 1; }
        sleep 0.05
    done
    ln -sfn "$(readlink -f "$STATE/$port")" "$PREFIX/dosdevices/$port"
}
