#!/usr/bin/env bash
# Regenerates resources/: one spoken clip per name in tools/catalogue.txt and the button picture.
# Every output is byte-identical from run to run with the same Debian 12 packages.
set -euo pipefail
export LC_ALL=C.UTF-8 # decimal points and UTF-8 names whatever the caller's locale

tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(dirname "$tools")/resources
# Synthesised speech has a crest factor of 12 to 23 dB. At this loudness about a quarter of the
# clips need their loudest plosives limited, by at most ~5 dB.
export TARGET_LUFS=-20
export LIMIT=-2           # dBFS sample peak; room for inter-sample and encoder overshoot
export PEAK_CEILING=-1.5 # dBTP, checked on the encoded clips: the run fails above it

need=() # ffprobe comes with ffmpeg
for tool in espeak-ng ffmpeg python3; do command -v "$tool" >/dev/null || need+=("$tool"); done
if ((${#need[@]})); then
    sudo=()
    [[ $(id -u) -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WORK=$work OUT=$out
cd "$work" # ffmpeg and awk never write beside the sources
mkdir -p "$out"

# The text the synthesiser reads. Names spell umlauts as ae/oe/ue, which it often reads as two
# vowels; "eue", "aue" and "que" are real spellings and stay. A few names need a hand-written text.
spoken() {
    case $1 in
    hmhm) echo "hm hm" ;;
    achsoachso) echo "ach so ach so" ;;
    bringwaszuessen) echo "bring was zu essen" ;;
    *)
        local s=${1//_/ }
        sed -E 's/(^|[^aeiouq])ue/\1ü/g; s/(^|[^aeiou])ae/\1ä/g; s/(^|[^aeiou])oe/\1ö/g' <<<"${s,,}"
        ;;
    esac
}

# Integrated loudness and true peak of a file. The gated measurement needs 400 ms blocks and
# most clips are shorter, so the clip is measured looped back to back rather than padded with
# silence, which would make short clips read quieter than they sound.
measure() {
    ffmpeg -hide_banner -nostats -stream_loop 9 -i "$1" -af ebur128=peak=true -f null - 2>&1 |
        awk '$1 == "I:" { i = $2 } $1 == "Peak:" { p = $2 } END { print i, p }'
}

# A gain and a lookahead limiter whose delay is compensated, so the onset stays at sample 0.
# The speech has nothing above 11 kHz; without the cutoff the encoder fills that band with noise
# that adds a dB of loudness and 3 dB of peak. Bitexact and no metadata keep the bytes free of
# encoder versions and timestamps.
encode() {
    ffmpeg -hide_banner -loglevel error -y -i "$1" \
        -af "volume=$2dB,alimiter=limit=$3dB:level=false:latency=true:attack=5:release=50" \
        -map_metadata -1 -map_chapters -1 -fflags +bitexact -flags:a +bitexact \
        -c:a aac -b:a 64k -cutoff 11000 -ar 48000 -ac 1 -movflags +faststart -f mp4 "$4"
}

make_clip() {
    local name=$1 wav=$WORK/$1
    espeak-ng -v de -b 1 -w "$wav.speech.wav" "$(spoken "$name")"
    # Resample before trimming so the resampler's ringing is trimmed too: the first kept sample is
    # the start of the voice, which matters because the app measures press-to-sound latency.
    local cut=silenceremove=start_periods=1:start_threshold=-50dB:detection=peak
    ffmpeg -hide_banner -loglevel error -i "$wav.speech.wav" \
        -af "aresample=48000,$cut,areverse,$cut,areverse" -ac 1 -c:a pcm_f32le "$wav.trim.wav"
    local loudness peak gain limit=$LIMIT settled dur
    read -r loudness peak < <(measure "$wav.trim.wav")
    gain=$(awk -v t="$TARGET_LUFS" -v i="$loudness" 'BEGIN { printf "%.2f", t - i }')
    # Limiting and encoding both shift loudness and peaks a little, so gain and limit are
    # corrected on what the encoded file measures, for a few rounds at most.
    for _ in 1 2 3 4 5 6; do
        encode "$wav.trim.wav" "$gain" "$limit" "$wav.m4a"
        read -r loudness peak < <(measure "$wav.m4a")
        read -r settled gain limit < <(awk -v t="$TARGET_LUFS" -v c="$PEAK_CEILING" -v i="$loudness" \
            -v p="$peak" -v g="$gain" -v l="$limit" 'BEGIN { hot = p > c - 0.1; near = t - i <= 0.15 && i - t <= 0.15
                printf "%d %.2f %.2f\n", near && !hot, g + t - i, hot ? l - (p - c) - 0.3 : l }')
        ((settled)) && break
    done
    mv "$wav.m4a" "$OUT/$name.m4a"
    dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$OUT/$name.m4a")
    echo "$loudness $peak $dur $(stat -c %s "$OUT/$name.m4a")" >"$wav.stats"
}
export -f spoken measure encode make_clip

mapfile -t names <"$tools/catalogue.txt"
# Stale clips of renamed entries would otherwise linger.
find "$out" -maxdepth 1 -name '*.m4a' -delete
printf '%s\0' "${names[@]}" | xargs -0 -n 1 -P "$(nproc)" bash -euo pipefail -c 'make_clip "$1"' _

# The button picture: a round, friendly creature in several saturated hues, so that a hue shift
# is obvious. Drawn from ellipses with 3x3 supersampling and written as a plain RGB PNG.
python3 - "$out/Pellmor.png" <<'PY'
import math, struct, sys, zlib
W, H, S = 200, 180, 3
INK = (40, 24, 60)
def ell(cx, cy, rx, ry, col, line=0, ang=0.0, clip=None):
    return (cx, cy, rx, ry, col, line, math.cos(ang), math.sin(ang), clip)
mouth = lambda x, y: y > 118 and ((x - 100) / 34) ** 2 + ((y - 118) / 26) ** 2 <= 1
shapes = [  # bottom to top
    ell(100, 196, 150, 40, (70, 190, 70), 0),                            # grass
    ell(52, 42, 11, 30, (255, 205, 30), 3, -0.45), ell(148, 42, 11, 30, (255, 205, 30), 3, 0.45),
    ell(100, 104, 78, 66, (200, 60, 210), 3),                            # body
    ell(100, 128, 46, 34, (255, 150, 225)),                              # belly
    ell(44, 120, 13, 9, (255, 120, 60)), ell(156, 120, 13, 9, (255, 120, 60)),  # cheeks
    ell(72, 84, 21, 24, (255, 255, 255), 3), ell(128, 84, 21, 24, (255, 255, 255), 3),
    ell(76, 88, 12, 13, (30, 140, 255)), ell(124, 88, 12, 13, (30, 140, 255)),
    ell(78, 90, 6, 7, (10, 10, 30)), ell(122, 90, 6, 7, (10, 10, 30)),
    ell(73, 83, 4, 4, (255, 255, 255)), ell(119, 83, 4, 4, (255, 255, 255)),
    ell(100, 118, 34, 26, (190, 20, 40), 3, 0, lambda x, y: y > 118),   # smile
    ell(100, 140, 18, 10, (255, 90, 120), 0, 0, mouth),                 # tongue
    ell(86, 120, 6, 5, (255, 255, 255), 0, 0, mouth), ell(114, 120, 6, 5, (255, 255, 255), 0, 0, mouth),
]
def colour(x, y):
    for cx, cy, rx, ry, col, line, c, s, clip in reversed(shapes):
        u, v = (x - cx) * c + (y - cy) * s, (y - cy) * c - (x - cx) * s
        d = math.hypot(u / rx, v / ry)
        if (not clip or clip(x, y)) and d <= 1 + line / min(rx, ry):
            return col if d <= 1 else INK
    if (x - 178) ** 2 + (y - 20) ** 2 < 22 ** 2:  # sun
        return (255, 230, 60)
    return (int(60 + 40 * y / H), int(150 + 70 * y / H), int(255 - 60 * y / H))  # sky
rows = bytearray()
for py in range(H):
    rows.append(0)
    for px in range(W):
        cols = [colour(px + (i + 0.5) / S, py + (j + 0.5) / S) for j in range(S) for i in range(S)]
        rows += bytes(round(sum(c[k] for c in cols) / (S * S)) for k in range(3))
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))
PY

for name in "${names[@]}"; do cat "$work/$name.stats"; done |
    awk -v n="${#names[@]}" -v c="$PEAK_CEILING" -v t="$TARGET_LUFS" -v png="$(stat -c %s "$out/Pellmor.png")" '
    NR == 1 { imin = imax = $1; pmax = $2; dmin = dmax = $3 }
    { imin = $1 < imin ? $1 : imin; imax = $1 > imax ? $1 : imax; pmax = $2 > pmax ? $2 : pmax
      dmin = $3 < dmin ? $3 : dmin; dmax = $3 > dmax ? $3 : dmax; bytes += $4 }
    END {
        printf "clips: %d of %d\n", NR, n
        printf "size: %d bytes of clips, %d in all (%.2f MiB)\n", bytes, bytes + png, (bytes + png) / 1048576
        printf "duration: %.3f s to %.3f s\n", dmin, dmax
        printf "loudness: %.1f to %.1f LUFS, true peak at most %.1f dBTP\n", imin, imax, pmax
        if (NR != n || pmax > c || imin < t - 0.5 || imax > t + 0.5) { print "FAILED"; exit 1 }
    }'
