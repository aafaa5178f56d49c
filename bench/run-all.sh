#!/usr/bin/env bash
# Runs every benchmark against a build folder and prints their figures.
#   bench/run-all.sh [build-dir]
set -euo pipefail
build="${1:-build}"
here="$(cd "$(dirname "$0")" && pwd)"

echo "== decoding and player memory"
"$build/klonkel-decode-bench" "$build/resources"
echo
echo "== press to sound"
python3 "$here/press_latency.py" "$build" --presses "${PRESSES:-50}"
