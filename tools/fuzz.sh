#!/usr/bin/env bash
# Runs the clip decoder fuzz target for a number of seconds over a corpus seeded with real clips.
#   tools/fuzz.sh FUZZ_BINARY [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$(mktemp -d /tmp/klonkel-corpus.XXXXXX)"
trap 'rm -rf "$corpus"' EXIT
# A spread of real clips: short, long, the precomposed-name one.
for clip in ach_ja hmhm 'könig' so_ein_warmer_scheitel_kommt_mir_nicht_ins_haus Pferd lachen1; do
    cp "$root/resources/$clip.m4a" "$corpus/"
done
# Without the progress lines; libFuzzer fails on a crash, a leak or a sanitizer report.
"$1" -max_total_time="${2:-60}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$corpus" 2>&1 | grep -Ev '^#[0-9]+ +(NEW|REDUCE|pulse|RELOAD)'
