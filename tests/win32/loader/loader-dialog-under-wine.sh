#!/bin/sh
# Runs the loader dialog's window tests (a Windows test program) under Wine against module simulators
# built for the host, each on a COM port of its own that is a link in the prefix's dosdevices folder to
# that simulator's pseudo-terminal:
#   COM51  a module that loads cleanly (revision 1.12, then 1.13)
#   COM52  the same, rejecting block 5 once and losing the answer to block 9 once; keeps what it receives
#   COM53  a module whose bootstrap loader waits (it answers ";" but not "V")
#   COM54  a module at the wire speed of 9600 bit/s, so that a load lasts long enough to be cancelled
# Every simulator logs what it receives; the program reads the logs and finds the firmware file in the
# state folder, named by MT_LOADER_STATE (a Windows path). Afterwards the image COM52 received is compared
# with the file.
#
#   loader-dialog-under-wine.sh WINE_RUN PREFIX SIMULATOR TEST_PROGRAM STATE_DIR [gtest arguments...]
set -u
[ $# -ge 5 ] || { echo "usage: $0 WINE_RUN PREFIX SIMULATOR TEST_PROGRAM STATE_DIR [gtest arguments...]" >&2; exit 2; }
WINE_RUN=$1 PREFIX=$2 SIMULATOR=$3 PROGRAM=$4 STATE=$5
shift 5
HERE=$(dirname "$0")
IMAGE_TOOL="$HERE/../load/firmware-image.py"
PORTS="com51 com52 com53 com54"

stop_simulators() {
    for port in $PORTS; do
        [ -f "$STATE/$port.pid" ] && kill "$(cat "$STATE/$port.pid")" 2>/dev/null
        rm -f "$STATE/$port.pid"
        case "$(readlink "$PREFIX/dosdevices/$port" 2>/dev/null)" in
            /dev/pts/*) rm -f "$PREFIX/dosdevices/$port" ;;
        esac
    done
}

# start_simulator PORT [SIMULATOR OPTIONS]
start_simulator() {
    port=$1
    shift
    "$SIMULATOR" --linger-ms 0 --reset-ms 100 --new-revision 113 --log --link "$STATE/$port" "$@" \
        </dev/null >"$STATE/$port.out" 2>"$STATE/$port.log" &
    echo $! >"$STATE/$port.pid"
    tries=0
    while [ ! -L "$STATE/$port" ] || [ ! -e "$STATE/$port" ]; do
        tries=$((tries + 1))
        [ "$tries" -gt 100 ] && { echo "no pseudo-terminal for $port" >&2; return 1; }
        sleep 0.05
    done
    ln -sfn "$(readlink -f "$STATE/$port")" "$PREFIX/dosdevices/$port"
}

mkdir -p "$STATE/firmware" "$PREFIX/dosdevices"
trap stop_simulators EXIT
stop_simulators
rm -f "$STATE"/*.log "$STATE"/*.hex
python3 "$IMAGE_TOOL" make "$STATE/firmware/qmcu0113.hex" || exit 1
"$WINE_RUN" true || exit 1
start_simulator com51 || exit 1
start_simulator com52 --reject-block 5 --drop-ack 9 --image-out "$STATE/com52.hex" || exit 1
start_simulator com53 --start-in-loader || exit 1
start_simulator com54 --baud 9600 || exit 1

# Files rather than pipes for the program's output: a Wine server started on the way must not hold
# our output open.
MT_LOADER_STATE="Z:$(echo "$STATE" | tr / '\\')" "$WINE_RUN" "$PROGRAM" "$@" </dev/null >"$STATE/program.out" 2>&1
status=$?
tr -d '\r' <"$STATE/program.out"
# The simulator wrote what it received when the final block came.
if [ "$status" -eq 0 ] && ! python3 "$IMAGE_TOOL" same "$STATE/firmware/qmcu0113.hex" "$STATE/com52.hex"; then
    echo "FAILED: COM52 did not receive the file's image" >&2
    status=1
fi
exit $status
