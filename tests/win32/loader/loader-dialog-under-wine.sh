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

# The simulators' start and stop.
. "$(dirname "$0")/../simulator-ports.sh"

# start_module PORT [SIMULATOR OPTIONS]: a module that loads revision 1.13 and logs what it receives.
start_module() {
    start_simulator "$@" --reset-ms 100 --new-revision 113 --log
}

mkdir -p "$STATE/firmware" "$PREFIX/dosdevices"
trap stop_simulators EXIT
stop_simulators
rm -f "$STATE"/*.log "$STATE"/*.hex
python3 "$IMAGE_TOOL" make "$STATE/firmware/qmcu0113.hex" || exit 1
"$WINE_RUN" true || exit 1
start_module com51 || exit 1
start_module com52 --reject-block 5 --drop-ack 9 --image-out "$STATE/com52.hex" || exit 1
start_module com53 --start-in-loader || exit 1
start_module com54 --baud 9600 || exit 1

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
