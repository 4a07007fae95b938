#!/usr/bin/env bash
# Runs the Windows program under Wine against the simulated module on COM7, in a private prefix.
#   gui-session.sh gui BUILD          for a person with a display (Xvfb + window manager when none)
#   gui-session.sh screenshots BUILD  a PNG of each page, the macro editor, a context menu, the
#                                     information windows (Release Notes, About, License Agreement)
#                                     and firmware loads
set -euo pipefail
mode="$1"
build="$(cd "${2:-build}" && pwd)"
windows="$build/windows"
exe="$windows/src/app/MT6402Utility.exe"
sim="$build/native/tools/sim/mt6402sim"
shots="$build/screenshots"
state="$(mktemp -d)"; echo "state: $state" >&2
export MT_WINEPREFIX="$windows/gui-prefix"
wine_run="$windows/wine-run"
pids=()
cleanup() {
    "$wine_run" wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${KEEP_STATE:-}" ] || rm -rf "$state"
}
trap cleanup EXIT

# A display: the user's, or a virtual one with a small window manager so windows get title bars.
if [ "$mode" = screenshots ] || [ -z "${DISPLAY:-}" ]; then
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY="$display"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >/dev/null 2>&1 &
    pids+=($!)
fi

# The simulated module, revision 1.12 (each load adds one), and a firmware folder holding revision 1.13.
"$sim" --revision 112 --reset-ms 500 --log --linger-ms 0 --link "$state/sim" </dev/null >"$state/sim.out" 2>"$state/sim.log" &
pids+=($!)
for _ in $(seq 100); do [ -e "$state/sim" ] && break; sleep 0.05; done
pts="$(readlink -f "$state/sim")"
mkdir -p "$state/firmware"
"$build/native/bench/bench_make_hex" "$state/firmware/qmcu0113.hex" 30000 >/dev/null
# The release notes that come with that firmware.
cat >"$state/firmware/mt6402fwnotes.rtf" <<'NOTES'
{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;}}
\pard\sa120\b\fs28 MT6402 Firmware Release Notes\b0\par
\pard\sb120\sa60\b\fs20 Revision 1.13\b0\par
\pard\fi-240\li480\tx480\sa60\fs18 \bullet\tab Scanning resumes two seconds after a squelch break instead of at once.\par
\bullet\tab The revision query \ldblquote V\rdblquote  answers within 50 ms of the command.\par
\bullet\tab Memory channels keep their CTCSS tone after a power cycle.\par
\pard\sb120\sa60\b\fs20 Revision 1.12\b0\par
\pard\fi-240\li480\tx480\sa60\fs18 \bullet\tab The bootstrap loader answers a block whose checksum is wrong with \ldblquote N\rdblquote  and waits for it again.\par
\bullet\tab Transmit power steps of 1, 5 and 10 W.\par
\pard\sb120\sa60\b\fs20 Loading this firmware\b0\par
\pard\sa60\fs18 Connect the module\rquote s own serial data cable, keep the radio powered until the utility reports that the load is complete, and do not close the utility while it loads.\par
}
NOTES

# COM7 is the simulator, listed in the serial device map; the saved port and folder point at it.
"$wine_run" true
mkdir -p "$MT_WINEPREFIX/dosdevices"
ln -sfn "$pts" "$MT_WINEPREFIX/dosdevices/com7"
( cd "$state" &&
  "$wine_run" wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$pts" /f &&
  "$wine_run" wine reg add 'HKCU\Software\Norvanta\MT6402 Utility' /v Port /d COM7 /f &&
  "$wine_run" wine reg add 'HKCU\Software\Norvanta\MT6402 Utility' /v FirmwareFolder /d "Z:${state//\//\\}\\firmware" /f
) >/dev/null 2>&1
"$wine_run" wineserver -k || true
"$wine_run" wineserver -w || true

"$wine_run" "$exe" >"$state/program.log" 2>&1 &
program=$!
pids+=($program)

if [ "$mode" = gui ]; then
    wait "$program"
    exit 0
fi

window=""
for _ in $(seq 200); do
    window="$(xdotool search --name 'MT6402 Utility' 2>/dev/null | head -1 || true)"
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the program's window did not appear" >&2; exit 1; }
sleep 3
mkdir -p "$shots"
shot() { sleep "${2:-1}"; import -window root "$shots/$1.png"; echo "$shots/$1.png"; }
xdotool windowactivate --sync "$window" 2>/dev/null || true
shot 1-port-page-device-status 2
xdotool key Return                       # the device-status box that a successful test shows
shot 2-port-page
xdotool windowactivate --sync "$window" 2>/dev/null || true
eval "$(xdotool getwindowgeometry --shell "$window")"   # X, Y, WIDTH, HEIGHT of the frame
echo "frame at $X,$Y size ${WIDTH}x$HEIGHT" >&2
tab() { xdotool mousemove $((X + $1)) $((Y + 9)) click 1; }   # the tabs' row below the menu bar
tab 85; shot 3-firmware-page 2
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 80)) click 3; shot 4-log-context-menu
xdotool key Escape
tab 165; shot 5-command-tester-page
xdotool mousemove $((X + 375)) $((Y + 194)) click 1; shot 6-macro-editor 2   # "Edit Macros"
xdotool key Escape
# The information windows, from the Help menu.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+h r; shot 7-release-notes 2
xdotool key Escape                       # Esc closes the Release Notes window
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+h a; shot 8-about 2
xdotool key Tab space; shot 9-license-agreement 2   # "View License Agreement"
xdotool key Escape Escape

# Firmware loads from the Firmware page: one in progress and the page after it, one kept open by
# View > Trace once verified, and a file the loader refuses.
check_revision() { xdotool mousemove $((X + 100)) $((Y + 134)) click 1; sleep 2; }
send_firmware() { xdotool mousemove $((X + 415)) $((Y + 190)) click 1; }
dialog_open() { xdotool search --name 'Sending MT6402 Firmware' >/dev/null 2>&1; }
# Waits until the module has answered "V" with this revision, as it does at the end of a load.
wait_for_revision() {
    for _ in $(seq 600); do grep -q "tx \"V$1;\"" "$state/sim.log" && return 0; sleep 0.1; done
    echo "the module never reported revision $1" >&2
}
toggle_trace() { xdotool windowactivate --sync "$window" 2>/dev/null || true; xdotool key alt+v; sleep 0.5; xdotool key t; sleep 0.5; }
tab 85; sleep 1
send_firmware; shot 10-loader-mid-load 5
for _ in $(seq 600); do dialog_open || break; sleep 0.1; done
shot 11-firmware-page-after-load 3
toggle_trace
"$build/native/bench/bench_make_hex" "$state/firmware/qmcu0114.hex" 30000 >/dev/null
check_revision
send_firmware; wait_for_revision 1.14; shot 12-loader-verified-with-trace 2
xdotool key Escape; sleep 2
toggle_trace
printf ':020800001234B0\r\n:00000001FF\r\n' >"$state/firmware/qmcu0115.hex"   # its word sum is not zero
check_revision
send_firmware; shot 13-loader-refused-file 2
xdotool key Escape; sleep 1
echo "screenshots in $shots" >&2
