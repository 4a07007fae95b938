#!/bin/sh
# The Windows build's whole-load figures under Wine: mt6402util.exe load, then a load through the
# Windows program's frame, Firmware page and loader dialog. Meant to run inside xvfb-run (the second
# needs a display), after the native build.
#   wine-loads.sh BUILD_DIR
set -u
build=$1
windows="$build/windows"
run="$windows/wine-run"
simulator="$build/native/tools/sim/mt6402sim"
[ -x "$windows/src/cli/mt6402util.exe" ] || exit 0
# A first program brings Wine's services up (and its desktop onto this display), so that their
# start-up is not counted as the tool's.
"$run" wineserver -p </dev/null >/dev/null 2>&1
"$run" wine cmd /c exit </dev/null >/dev/null 2>&1
"$build/native/bench/bench_load" "$windows/src/cli/mt6402util.exe" "$simulator" --wine "$run" "$windows/wineprefix"
status=$?
if [ -x "$windows/bench/win32/bench_window_load.exe" ]; then
    "$build/native/bench/bench_load" "$windows/bench/win32/bench_window_load.exe" "$simulator" \
        --wine "$run" "$windows/wineprefix" --window || status=1
fi
"$run" wineserver -k >/dev/null 2>&1
exit $status
