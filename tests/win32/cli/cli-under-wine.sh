#!/bin/sh
# End-to-end runs of mt6402util.exe under Wine: `test` against the module simulator on COM ports that are
# links in the prefix's dosdevices folder to the simulator's pseudo-terminals, and `settings` in a key of
# the prefix's own registry.
#
#   cli-under-wine.sh WINE_RUN PREFIX SIMULATOR TOOL STATE_DIR
#
# Ports of its own, COM21 to COM23, so it never meets the serial tests' peers; its simulators are
# started here and stopped on exit. Exit status 0 when every check passed.
set -u
[ $# -eq 5 ] || { echo "usage: $0 WINE_RUN PREFIX SIMULATOR TOOL STATE_DIR" >&2; exit 2; }
WINE_RUN=$1 PREFIX=$2 SIMULATOR=$3 TOOL=$4 STATE=$5
SETTINGS='Software\MT6402 Utility Tests\cli'
STAMP='[0-9][0-9]:[0-9][0-9]:[0-9][0-9] '
PORTS="com21 com22 com23"
failures=0

# The simulators' start and stop.
. "$(dirname "$0")/../simulator-ports.sh"

# tool ARGS...: runs the tool; its output (without CRs) lands in $STATE/out and $STATE/err, its status in $status.
# Files rather than pipes: a Wine server started on the way must not hold our output open.
tool() {
    "$WINE_RUN" "$TOOL" --settings "$SETTINGS" "$@" </dev/null >"$STATE/out.raw" 2>"$STATE/err.raw"
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
expect_last_line() { tail -n 1 "$STATE/out" | grep -Eq "^$2\$" || fail "$1: the last line does not match '$2'"; }

mkdir -p "$STATE" "$PREFIX/dosdevices"
trap stop_simulators EXIT
stop_simulators
"$WINE_RUN" true || exit 1
start_simulator com21 || exit 1
start_simulator com22 --silent || exit 1
start_simulator com23 --silent --hangup-after-ms 300 || exit 1

case="a running module"
tool test --port COM21
expect_status "$case" 0
expect_line "$case" out "${STAMP}Attempting to contact MT6402 on port COM21 at 9600 bit/s"
expect_last_line "$case" "${STAMP}MT6402 revision 01\.12\. RS-232 speed 9600 bit/s\."

case="the port given is kept"
tool settings
expect_status "$case" 0
expect_line "$case" out "Port = COM21"

case="verbose and trace lines"
tool test --port COM21 --verbose --trace
expect_status "$case" 0
expect_line "$case" out "${STAMP}Serial Port COM21 is open"
expect_line "$case" out "${STAMP}QueryRevisionState Response \"V1\.12;\" +[0-9]+ ms"

case="a silent module"
tool test --port COM22 --timeout 2
expect_status "$case" 1
expect_last_line "$case" "${STAMP}MT6402 is not responding"

case="a module that hangs up"
tool test --port COM23 --timeout 30
expect_status "$case" 1
expect_line "$case" out "${STAMP}[A-Za-z]+ failed on \"COM23\""
expect_last_line "$case" "${STAMP}Serial Port is closed"

case="a port that does not exist"
tool test --port COM29 --timeout 30
expect_status "$case" 3
expect_line "$case" out "${STAMP}Unable to open serial port \"COM29\"\. Error 0x[0-9A-F]{8}: .*"

case="a setting out of its bounds"
tool settings set FirmwareLoadRetryLimit 4
expect_status "$case" 2
expect_line "$case" err "FirmwareLoadRetryLimit takes a whole number from 5 to 25, not \"4\"\."

case="a setting changed"
tool settings set FirmwareLoadRetryLimit 12
expect_status "$case" 0
tool settings
expect_line "$case" out "FirmwareLoadRetryLimit = 12"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
