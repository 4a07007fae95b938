#!/bin/sh
# Measures the serial port's waiter thread with mt6402serialprobe on a socat pseudo-terminal pair: its CPU
# use while the port is open and idle, and the delay from a byte's arrival to its WM_COMM_EVENT.
#
#   serial-probe.sh BUILD_DIR [IDLE_SECONDS [SAMPLES]]
#
# BUILD_DIR is the native tree (the pair's two paths are the ports) or the Windows tree (the pair is
# linked into its Wine prefix as COM5 and COM6, and the Wine server's CPU time is printed as well).
set -u
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [IDLE_SECONDS [SAMPLES]]" >&2; exit 2; }
BUILD=$(cd "$1" && pwd) IDLE=${2:-20} SAMPLES=${3:-200}
STATE=$(mktemp -d)
socat pty,raw,echo=0,link="$STATE/a" pty,raw,echo=0,link="$STATE/b" </dev/null >/dev/null 2>&1 &
SOCAT=$!
cleanup() {
    kill "$SOCAT" 2>/dev/null
    [ -n "${PREFIX:-}" ] && rm -f "$PREFIX/dosdevices/com5" "$PREFIX/dosdevices/com6"
    rm -rf "$STATE"
}
trap cleanup EXIT
tries=0
while [ ! -e "$STATE/a" ] || [ ! -e "$STATE/b" ]; do
    tries=$((tries + 1))
    [ "$tries" -gt 100 ] && { echo "$0: socat made no pseudo-terminals" >&2; exit 1; }
    sleep 0.05
done

if [ -x "$BUILD/tools/serialprobe/mt6402serialprobe.exe" ]; then
    PREFIX=$("$BUILD/wine-run" sh -c 'printf %s "$WINEPREFIX"')
    ln -sfn "$(readlink -f "$STATE/a")" "$PREFIX/dosdevices/com5"
    ln -sfn "$(readlink -f "$STATE/b")" "$PREFIX/dosdevices/com6"
    "$BUILD/wine-run" wineserver -p </dev/null >/dev/null 2>&1
    # The prefix's server works in a folder named server-DEV-INODE (the prefix's, in hexadecimal).
    serverdir="server-$(printf %x "$(stat -c %d "$PREFIX")")-$(printf %x "$(stat -c %i "$PREFIX")")"
    servers=
    for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
        case "$(readlink "/proc/$pid/cwd")" in */"$serverdir") servers="$servers $pid" ;; esac
    done
    [ -n "$servers" ] || { echo "$0: no Wine server for $PREFIX" >&2; exit 1; }
    ticks() { for pid in $servers; do awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0; done |
              awk '{t += $1} END {print t}'; }
    before=$(ticks)
    "$BUILD/wine-run" "$BUILD/tools/serialprobe/mt6402serialprobe.exe" COM5 COM6 --idle-seconds "$IDLE" \
        --samples "$SAMPLES" </dev/null
    echo "Wine server CPU during the run: $(( $(ticks) - before )) ticks of 1/$(getconf CLK_TCK) s"  \
         "(other programs on the same prefix count too)"
else
    "$BUILD/tools/serialprobe/mt6402serialprobe" "$STATE/a" "$STATE/b" --idle-seconds "$IDLE" --samples "$SAMPLES"
fi
