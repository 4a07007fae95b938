#!/bin/sh
# End-to-end firmware loads of mt6402util.exe under Wine against the module simulator (built for the host):
# a clean load and each fault, every case on a COM port of its own that is a link in the prefix's
# dosdevices folder to that simulator's pseudo-terminal.
#
#   load-under-wine.sh WINE_RUN PREFIX SIMULATOR TOOL STATE_DIR
#
# Ports COM41 to COM50, so it never meets the other tests' peers; the simulators are started here and
# stopped on exit. The simulator writes the image it received; firmware-image.py compares it with the
# file. Exit status 0 when every check passed.
set -u
[ $# -eq 5 ] || { echo "usage: $0 WINE_RUN PREFIX SIMULATOR TOOL STATE_DIR" >&2; exit 2; }
WINE_RUN=$1 PREFIX=$2 SIMULATOR=$3 TOOL=$4 STATE=$5
HERE=$(dirname "$0")
SETTINGS='Software\MT6402 Utility Tests\load'
STAMP='[0-9][0-9]:[0-9][0-9]:[0-9][0-9] '
PORTS="com41 com42 com43 com44 com45 com46 com47 com48 com49 com50"
failures=0

# The simulators' start and stop.
. "$(dirname "$0")/../simulator-ports.sh"

# start_load_simulator PORT [SIMULATOR OPTIONS]: writing what it receives to $STATE/PORT.hex.
start_load_simulator() {
    port=$1
    shift
    rm -f "$STATE/$port.hex"
    start_simulator "$port" --reset-ms 100 --image-out "$STATE/$port.hex" "$@"
}

# load PORT [TOOL OPTIONS]: a load from the firmware folder on PORT; output (without CRs) in $STATE/out and
# $STATE/err, the exit status in $status. Files rather than pipes: a Wine server started on the way must
# not hold our output open.
load() {
    port=$1
    shift
    "$WINE_RUN" "$TOOL" --settings "$SETTINGS" load --port "$(echo "$port" | tr a-z A-Z)" --folder "$FOLDER" "$@" \
        </dev/null >"$STATE/out.raw" 2>"$STATE/err.raw"
    status=$?
    tr -d '\r' <"$STATE/out.raw" >"$STATE/out"
    tr -d '\r' <"$STATE/err.raw" >"$STATE/err"
}

fail() {
    echo "FAILED: $1" >&2
    echo "--- output:" >&2
    cat "$STATE/out" >&2
    echo "--- errors:" >&2
    cat "$STATE/err" >&2
    failures=$((failures + 1))
}

expect_status() { [ "$status" -eq "$2" ] || fail "$1: exit status $status, expected $2"; }
expect_line() { grep -Eq "^$3\$" "$STATE/$2" || fail "$1: no line matching '$3' in standard $2"; }
expect_no_line() { ! grep -Eq "^$3\$" "$STATE/$2" || fail "$1: a line matching '$3' in standard $2"; }
expect_count() { [ "$(grep -Ec "^$3\$" "$STATE/$2")" -eq "$4" ] || fail "$1: not $4 lines matching '$3' in standard $2"; }
expect_last_line() { tail -n 1 "$STATE/out" | grep -Eq "^$2\$" || fail "$1: the last line does not match '$2'"; }
expect_image() { python3 "$HERE/firmware-image.py" same "$FIRMWARE" "$STATE/$2.hex" || fail "$1: the module did not receive the file's image"; }

mkdir -p "$STATE/firmware" "$PREFIX/dosdevices"
trap stop_simulators EXIT
stop_simulators
FIRMWARE="$STATE/firmware/qmcu0113.hex"
python3 "$HERE/firmware-image.py" make "$FIRMWARE" || exit 1
FOLDER="Z:$(echo "$STATE/firmware" | tr / '\\')"
"$WINE_RUN" true || exit 1

case="a clean load"
start_load_simulator com41 || exit 1
load com41
expect_status "$case" 0
expect_line "$case" out "${STAMP}MT6402 revision 01\.12\. RS-232 speed 9600 bit/s\."
expect_count "$case" out "${STAMP}Sending firmware file Z:.*qmcu0113\.hex to MT6402" 1
expect_line "$case" out "MT6402 responded with revision 01\.13"
expect_line "$case" out "${STAMP}MT6402 verification succeeded"
expect_line "$case" out "${STAMP}MT6402 firmware load is complete"
expect_no_line "$case" out ".*[Rr]etr.*"
expect_last_line "$case" "${STAMP}Elapsed time: [0-9]+ seconds"
expect_count "$case" err "Progress [0-9]+%: [0-9]+/471 blocks, [0-9]+ bytes/s, [0-9]+:[0-9][0-9] left" 10
expect_image "$case" com41

case="rejections and lost answers within the limits"
start_load_simulator com42 --reject-block 5:3 --reject-block 9:7 --drop-ack 12:2 || exit 1
load com42
expect_status "$case" 0
expect_line "$case" out "${STAMP}Retry 3 successful at address 0x0940"
expect_line "$case" out "${STAMP}Retry 7 successful at address 0x0A40, 1 fill bytes"
expect_line "$case" out "${STAMP}Retry 2 successful at address 0x0B00, 1 fill bytes"
expect_line "$case" out "${STAMP}Total number of retries was 12"
expect_line "$case" out "${STAMP}Highest number of retries for any block was 7"
expect_image "$case" com42

case="rejections past the limit"
start_load_simulator com43 --reject-block 5:10 || exit 1
load com43
expect_status "$case" 1
expect_line "$case" out "${STAMP}Send MT6402 firmware failed at load address 0x0940"
expect_line "$case" out "${STAMP}Error code 0xE2000044: Retry limit has been exhausted"

case="answers lost past the retry limit"
start_load_simulator com44 --drop-ack 3:6 || exit 1
load com44 --retry-limit 5
expect_status "$case" 1
expect_line "$case" out "${STAMP}Total number of retries was 6"
expect_line "$case" out "${STAMP}Error code 0xE200004B: No response to firmware packet"

case="no D echo"
start_load_simulator com45 --no-echo || exit 1
load com45
expect_status "$case" 1
expect_line "$case" out "${STAMP}MT6402 Bootstrap Loader did not echo \"D\""
expect_line "$case" out "${STAMP}Error code 0xE2000043: Bootstrap Loader did not echo a D"

case="a silent module"
start_load_simulator com46 --silent || exit 1
load com46 --timeout 2
expect_status "$case" 4
expect_last_line "$case" "${STAMP}MT6402 is not responding"
expect_no_line "$case" out ".*Sending firmware.*"

case="a hang-up during the download"
start_load_simulator com47 --hangup-after-block 100 || exit 1
load com47
expect_status "$case" 1
expect_line "$case" out "${STAMP}[A-Za-z]+ failed on \"COM47\""
expect_line "$case" out "${STAMP}Error code 0x[0-9A-F]{8}: .+"
expect_no_line "$case" out ".*Waiting 3 seconds.*"

case="a wrong revision after the reset"
start_load_simulator com48 --wrong-revision || exit 1
load com48
expect_status "$case" 1
expect_line "$case" out "MT6402 responded with revision 01\.12"
expect_line "$case" out "${STAMP}Error code 0xE2000046: Revision number verification failed"
expect_image "$case" com48

case="a module already in its bootstrap loader"
start_load_simulator com49 --start-in-loader || exit 1
load com49 --trace
expect_status "$case" 0
expect_count "$case" out "${STAMP}.*Send \"D\"" 1
expect_line "$case" out "${STAMP}LoadBeginDownloadState Send \"D\""
expect_line "$case" out "MT6402 responded with revision 01\.13"
expect_image "$case" com49

case="Ctrl+C during the download"
# The simulator ends 100 ms after the program has let go of the port.
start_load_simulator com50 --linger-ms 100 || exit 1
"$WINE_RUN" "$TOOL" --settings "$SETTINGS" load --port COM50 --folder "$FOLDER" \
    </dev/null >"$STATE/out.raw" 2>"$STATE/err.raw" &
tool_pid=$!
tries=0
until tr -d '\r' <"$STATE/out.raw" | grep -Eq "^${STAMP}Sending firmware file "; do
    tries=$((tries + 1))
    [ "$tries" -gt 300 ] && break
    sleep 0.1
done
kill -INT "$tool_pid"
wait "$tool_pid"
status=$?
tr -d '\r' <"$STATE/out.raw" >"$STATE/out"
tr -d '\r' <"$STATE/err.raw" >"$STATE/err"
expect_status "$case" 5
expect_last_line "$case" "${STAMP}Firmware load abandoned; serial port COM50 closed"
tries=0
while kill -0 "$(cat "$STATE/com50.pid")" 2>/dev/null; do
    tries=$((tries + 1))
    [ "$tries" -gt 50 ] && { fail "$case: the port stayed open"; break; }
    sleep 0.1
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
