#!/usr/bin/env bash
# Makes the small clips the playback tests play: steady tones whose pitch tells on the
# recorded sink which clip is sounding. Rerunning gives identical files.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/tests/playback/data"
mkdir -p "$out"

tone() { # name frequency seconds
    ffmpeg -v error -y -f lavfi -i "aevalsrc=0.5*sin(2*PI*$2*t):s=48000:d=$3" \
        -ac 1 -c:a aac -b:a 64k -map_metadata -1 \
        -fflags +bitexact -flags:a +bitexact "$out/$1.m4a"
}
tone tone_low 440 3
tone tone_high 1760 3
