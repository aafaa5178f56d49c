#!/usr/bin/env bash
# How fast and how far the clip decoder's fuzzing goes: a session as tools/fuzz.sh runs it (CI
# runs 30 s of it), beside the earlier setup in the same run (the six catalogue clips as seeds,
# no dictionary, inputs up to 64 KiB, every input decoded whole in both output formats).
# Prints inputs, inputs per second of wall time and per second of processor time (the machine
# may be shared), and libFuzzer's coverage: cov (edges of our code reached) and ft (features).
#   bench/fuzz.sh FUZZ_BINARY [SECONDS] [BASELINE_SECONDS]
set -euo pipefail
binary="$1"
seconds="${2:-600}"
baseline_seconds="${3:-120}"
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d /tmp/klonkel-fuzz-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# Runs one session (the command after the label) under /usr/bin/time, then prints its figures
# from libFuzzer's log.
session() {
    local label="$1"
    shift
    local started=$SECONDS
    /usr/bin/time -f "cpu %U %S" "$@" > "$work/$label.log" 2>&1 ||
        { cat "$work/$label.log"; echo "fuzz bench: $label failed"; exit 1; }
    python3 - "$work/$label.log" "$label" "$((SECONDS - started))" <<'PY'
import re, sys
log, label, wall = open(sys.argv[1]).read(), sys.argv[2], int(sys.argv[3])
runs = int(re.search(r"Done (\d+) runs in", log).group(1))
cov, ft, corpus = re.search(r"DONE +cov: (\d+) ft: (\d+) corp: (\d+)/", log).groups()
user, system = map(float, re.findall(r"^cpu ([\d.]+) ([\d.]+)$", log, re.M)[-1])
print(f"{label:<8} {wall:>5} s {runs:>8} inputs {runs / max(wall, 1):>7.0f}/s "
      f"{runs / max(user + system, 0.01):>7.0f}/s of processor  cov {cov:>4}  ft {ft:>5}  "
      f"corpus {corpus:>4}")
PY
}

echo "== clip decoder fuzzing (libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)"
mkdir "$work/old-corpus"
for clip in ach_ja hmhm 'könig' so_ein_warmer_scheitel_kommt_mir_nicht_ins_haus Pferd lachen1; do
    cp "$root/resources/$clip.m4a" "$work/old-corpus/"
done
session earlier env KLONKEL_FUZZ_WHOLE_CLIPS=1 "$binary" \
    -max_total_time="$baseline_seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work/old-corpus"
session now "$root/tools/fuzz.sh" "$binary" "$seconds"
