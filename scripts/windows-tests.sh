#!/bin/sh
# Runs the Windows build's tests under Wine; meant to run inside xvfb-run, so that Wine's desktop
# process, started here before the tests, belongs to the virtual display.
#   windows-tests.sh BUILD_DIR [ctest arguments...]
set -u
build="$1"
shift
cd "$build" || exit 1
# One running Wine server for the whole batch: a program then starts in ~0.1 s instead of ~2.5 s.
./wine-run wineserver -p </dev/null >/dev/null 2>&1 || true # already running is fine
# Wine's service and desktop processes are started here, away from CTest, with their output
# detached: started by the first test program they would hold that test's output pipe open and
# CTest would wait for it until the time-out.
./wine-run wineboot </dev/null >/dev/null 2>&1
# In a prefix made moments ago the services may not be up after wineboot; the first program started
# brings them up, so that first program is this one, not a test.
./wine-run wine cmd /c exit </dev/null >/dev/null 2>&1
ctest "$@"
status=$?
./wine-run wineserver -k </dev/null >/dev/null 2>&1
exit $status
