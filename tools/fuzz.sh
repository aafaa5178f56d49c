#!/usr/bin/env bash
# Runs the clip decoder fuzz target for a number of seconds over a corpus seeded with small clips.
#   tools/fuzz.sh FUZZ_BINARY [SECONDS] [LIBFUZZER_OPTION...]
# KLONKEL_FUZZ_CORPUS=DIR keeps the corpus there (seeded if empty) instead of a temporary folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$1"
seconds="${2:-60}"
shift $(($# < 2 ? $# : 2))
if [[ -n "${KLONKEL_FUZZ_CORPUS:-}" ]]; then
    corpus="$KLONKEL_FUZZ_CORPUS"
    mkdir -p "$corpus"
else
    corpus="$(mktemp -d /tmp/klonkel-corpus.XXXXXX)"
    trap 'rm -rf "$corpus"' EXIT
fi

# Seeds a tenth of a second long, one per kind of file a clip can be: each decodes in a fraction
# of a millisecond, where a catalogue clip takes tens. Made here rather than committed. (Other
# codecs come in the plain MPEG-4 container; the .m4a one takes only AAC and ALAC.)
seed() {
    local name="$1" rate="$2"
    shift 2
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=0.1" \
        -map_metadata -1 -fflags +bitexact "$@" "$corpus/seed-$name.m4a"
}
if [[ -z "$(ls -A "$corpus")" ]]; then
    if command -v ffmpeg > /dev/null; then
        seed aac-mono-8k 8000 -ac 1 -c:a aac -b:a 12k
        seed aac-stereo-44k 44100 -ac 2 -c:a aac -b:a 32k
        seed aac-moov-first 48000 -ac 2 -c:a aac -b:a 24k -movflags +faststart
        seed aac-fragmented 22050 -ac 1 -c:a aac -b:a 16k -movflags frag_keyframe+empty_moov
        seed aac-six-channels 48000 -ac 6 -c:a aac -b:a 64k
        seed alac 16000 -ac 1 -c:a alac
        seed mp3 22050 -ac 1 -c:a libmp3lame -b:a 16k -f mp4
        seed opus 48000 -ac 2 -c:a libopus -b:a 16k -f mp4
        seed flac 16000 -ac 1 -c:a flac -strict experimental -f mp4
    else
        echo "fuzz.sh: no ffmpeg, seeding with a catalogue clip only" >&2
    fi
fi
# Without ffmpeg, the shortest catalogue clip. (Beside the small seeds a whole clip is a poor
# start: its mutants keep the decoder busy for a hundred packets each.)
[[ -n "$(ls -A "$corpus")" ]] || cp "$root/resources/hmhm.m4a" "$corpus/"

# Without the progress lines; libFuzzer fails on a crash, a leak, a sanitizer report, an input
# that takes over 30 s or over 2 GB. (The inputs that once cost seconds and gigabytes are among
# the regressions, which run with far tighter limits.)
"$binary" -max_total_time="$seconds" -max_len=4096 -timeout=30 -rss_limit_mb=2048 \
    -dict="$root/tests/playback/fuzz/mp4.dict" -print_final_stats=1 "$@" "$corpus" 2>&1 |
    grep -Ev '^#[0-9]+ +(NEW|REDUCE|pulse|RELOAD)'
