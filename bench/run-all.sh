#!/usr/bin/env bash
# Runs every benchmark against a build folder and prints their figures.
#   bench/run-all.sh [build-dir]
# SOAK=1 makes the whole-app soak the full 10,000 clicks at 20 per second (over 8 minutes)
# instead of 1,000; PRESSES sets the presses of the press-to-sound comparison.
# Exits non-zero when a goal of the whole-app table is missed.
set -euo pipefail
build="${1:-build}"
here="$(cd "$(dirname "$0")" && pwd)"
export PYTHONDONTWRITEBYTECODE=1  # keep the source tree clean

echo "== decoding and player memory"
"$build/klonkel-decode-bench" "$build/resources"
echo
echo "== press to sound"
python3 "$here/press_latency.py" "$build" --presses "${PRESSES:-50}"
echo
echo "== whole app against baselines"
soak=1000
[[ "${SOAK:-0}" == 1 ]] && soak=10000
python3 "$here/app_bench.py" "$build" --soak-presses "$soak"
