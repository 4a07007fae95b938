#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (outside the main GCC builds) and runs one for a bounded time.
# Usage: scripts/fuzz.sh [target] [seconds]   target: hex (default); seconds: 60 (default).
# The kept corpus is fuzz/corpus/<target>/ (only read: new inputs go to the build tree); crashes,
# leaks and time-outs are written to fuzz/crashes/<target>/, where the test suite replays them.
set -euo pipefail

target="${1:-hex}"
seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build/fuzz}"
corpus="$root/fuzz/corpus/$target"
crashes="$root/fuzz/crashes/$target"
work="$build/corpus-$target"

command -v clang++ >/dev/null || { echo "clang++ is needed (Debian package clang)" >&2; exit 1; }
[ -d "$corpus" ] || { echo "no corpus folder $corpus" >&2; exit 1; }

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target "fuzz_$target" -j"${JOBS:-2}"

mkdir -p "$work" "$crashes"
status=0
"$build/fuzz_$target" "$work" "$corpus" \
    -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$crashes/" || status=$?
# Keep the crash folder only when something was found.
rmdir "$crashes" "$(dirname "$crashes")" 2>/dev/null || true
exit $status
