#!/usr/bin/env bash
# make demo: a session with the simulated MT6402 on a pseudo-terminal, using private settings and
# folders so nothing of the user's is touched. The simulator's log shows the bytes on the wire.
set -euo pipefail
build="${1:-build/native}"
util="$build/src/cli/mt6402util"
sim="$build/tools/sim/mt6402sim"
work="$(mktemp -d)"
trap 'kill "${sim_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
settings="$work/settings.conf"
say() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

say "A firmware folder with three revisions, a bootstrap-only image and the release notes"
folder="$work/firmware"
mkdir -p "$folder"
"$build/bench/bench_make_hex" "$folder/qmcu0112.hex" 40000 >/dev/null
cp "$folder/qmcu0112.hex" "$folder/qmcu0110.hex"
cp "$folder/qmcu0112.hex" "$folder/qmcu0113B.hex"
printf '{\\rtf1 MT6402 firmware release notes}' > "$folder/mt6402fwnotes.rtf"
ls -1 "$folder"
"$util" --settings "$settings" settings set FirmwareFolder "$folder" >/dev/null
"$util" --settings "$settings" files
say "The chosen file, checked"
"$util" check "$folder/qmcu0112.hex"

say "Test Communications with the simulated module (revision 1.10), status and trace lines on"
fifo="$work/sim.out"
mkfifo "$fifo"
# The module runs revision 1.10 and comes back from a load as 1.12; the wire runs at 9600 bit/s.
"$sim" --revision 110 --new-revision 112 --baud 9600 --linger-ms 0 --log >"$fifo" 2>"$work/wire.log" &
sim_pid=$!
exec 3<"$fifo"
read -r port <&3
echo "simulated module on $port"
"$util" --settings "$settings" test --port "$port" --verbose --trace

say "What the module saw on the wire"
sed 's/^mt6402sim: /    /' "$work/wire.log"

say "Sending the folder's firmware (revision 1.12) at 9600 bit/s: 471 blocks and the final one, about 40 s"

"$util" --settings "$settings" load

say "The settings the session saved"
"$util" --settings "$settings" settings | grep -E '^(Port|FirmwareFolder) '
