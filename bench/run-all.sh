#!/usr/bin/env bash
# Runs every benchmark against a build folder and prints their figures.
#   bench/run-all.sh [build-dir]
# SOAK=1 makes the whole-app soak the full 10,000 clicks at 20 per second (over 8 minutes)
# instead of 1,000; PRESSES sets the presses of the press-to-sound comparison (per round).
# Exits non-zero when a goal of the whole-app table is missed.
set -euo pipefail
build="${1:-build}"
here="$(cd "$(dirname "$0")" && pwd)"
export PYTHONDONTWRITEBYTECODE=1  # keep the source tree clean

echo "== decoding and player memory"
"$build/klonkel-decode-bench" "$build/resources"
echo
echo "== press to sound, on the session's server and on a private PipeWire"
# Both servers' tails vary from run to run (one round once missed PulseAudio's p95 goal, the next
# three met it): subjects take turns over several rounds.
python3 "$here/press_latency.py" "$build" --presses "${PRESSES:-50}" --rounds 3
KLONKEL_SOUND_SERVER=pipewire "$here/../tools/with-session.sh" \
    python3 "$here/press_latency.py" "$build" --presses "${PRESSES:-50}" --rounds 4
echo
echo "== whole app against baselines"
soak=1000
[[ "${SOAK:-0}" == 1 ]] && soak=10000
python3 "$here/app_bench.py" "$build" --soak-presses "$soak"
