#!/usr/bin/env bash
# Times `mt6402util check` against srec_cat reading the same ~52 MB Intel HEX file, and prints the ratio.
# Usage: bench/check_vs_srec_cat.sh [BUILD_DIR]   (default build/native; run from the repository root)
# Exits 1 when check takes more than TARGET_RATIO (default 0.125) of srec_cat's time.
set -euo pipefail

BUILD=${1:-build/native}
TARGET_RATIO=${TARGET_RATIO:-0.125}
HEX_BYTES=${HEX_BYTES:-52428800}
RUNS=${RUNS:-10}

if ! command -v srec_cat >/dev/null; then
    echo "srec_cat is missing: install the Debian package srecord (apt-get install -y srecord)" >&2
    exit 2
fi
# MT6402UTIL names another build of the program to time; by default the build tree's is built and used.
CLI=${MT6402UTIL:-}
if [ -z "$CLI" ]; then
    cmake --build "$BUILD" --target mt6402util -j2 >/dev/null
    CLI=$(find "$BUILD/src/cli" -maxdepth 1 -type f -name mt6402util -perm -u+x | head -n 1)
    if [ -z "$CLI" ]; then
        echo "mt6402util not found under $BUILD/src/cli" >&2
        exit 2
    fi
fi
cmake --build "$BUILD" --target bench_make_hex -j2 >/dev/null

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FILE="$WORK/qmcu0112.hex"
SIZE=$("$BUILD/bench/bench_make_hex" "$FILE" "$HEX_BYTES")
echo "file: $SIZE bytes of 16-byte records with extended linear address records"

# Both programs must read the file successfully, or the times mean nothing.
"$CLI" check "$FILE"
srec_cat "$FILE" -intel -o /dev/null -binary

CHECK_CMD="$CLI check $FILE"
SREC_CMD="srec_cat $FILE -intel -o /dev/null -binary"

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 2 --runs "$RUNS" --style basic --export-json "$WORK/times.json" \
        --command-name check "$CHECK_CMD" --command-name srec_cat "$SREC_CMD" >&2
    read -r CHECK_S SREC_S < <(python3 -c '
import json, sys
results = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
print(results["check"], results["srec_cat"])' "$WORK/times.json")
else
    # Mean wall time of RUNS runs after one warm-up run, in seconds.
    mean_time() {
        "$@" >/dev/null
        local start end
        start=$(date +%s%N)
        for _ in $(seq "$RUNS"); do "$@" >/dev/null; done
        end=$(date +%s%N)
        python3 -c 'import sys; print((int(sys.argv[2]) - int(sys.argv[1])) / 1e9 / int(sys.argv[3]))' \
            "$start" "$end" "$RUNS"
    }
    CHECK_S=$(mean_time "$CLI" check "$FILE")
    SREC_S=$(mean_time srec_cat "$FILE" -intel -o /dev/null -binary)
fi

python3 - "$CHECK_S" "$SREC_S" "$TARGET_RATIO" <<'PY'
import sys
check, srec, target = (float(v) for v in sys.argv[1:4])
ratio = check / srec
print(f"mt6402util check: {check * 1000:.1f} ms")
print(f"srec_cat:         {srec * 1000:.1f} ms")
print(f"ratio:            {ratio:.4f} (target <= {target})")
sys.exit(0 if ratio <= target else 1)
PY
