#!/usr/bin/env bash
# Runs the clip decoder fuzz target for a number of seconds over a corpus seeded with real clips.
#   tools/fuzz.sh FUZZ_BINARY [SECONDS]
set -euo pipefail
binary="$1"
seconds="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$(mktemp -d /tmp/klonkel-corpus.XXXXXX)"
trap 'rm -rf "$corpus"' EXIT

# A spread of real clips: short, long, the precomposed-name one.
for clip in ach_ja hmhm 'könig' so_ein_warmer_scheitel_kommt_mir_nicht_ins_haus Pferd lachen1; do
    cp "$root/resources/$clip.m4a" "$corpus/"
done

log="$corpus/fuzz.log"
status=0
"$binary" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" >"$log" 2>&1 || status=$?
# libFuzzer exits non-zero on a crash, a leak or a sanitizer report: show it whole then.
if [[ $status -ne 0 ]]; then
    cat "$log"
else
    grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "$log" || true
fi
exit "$status"
