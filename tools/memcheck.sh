#!/usr/bin/env bash
# Runs the decoding and playback path under valgrind's memcheck: every clip of the catalogue,
# every kind of bad or unusual clip file, and a burst of presses that cut clips off. Any memcheck
# error fails. Needs a sound server (run it under tools/with-session.sh).
#   tools/memcheck.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/klonkel-memcheck.XXXXXX)
trap 'chmod -R u+rw "$work"; rm -rf "$work"' EXIT

memcheck() {
    # No suppressions: Debian 12's Qt, libfaad and libpulse are clean on this path. Should one need
    # them, they go in a file here, each with a comment on why it is not ours.
    valgrind -q --error-exitcode=99 --track-origins=yes --leak-check=full \
        --errors-for-leak-kinds=definite "$@"
}

# A catalogue whose first names are bad or unusual files; the rest are the real clips.
clips="$work/clips"
mkdir "$clips"
for f in "$root"/resources/*.m4a; do ln -s "$f" "$clips/"; done
mapfile -t names < <(head -11 "$root/tools/catalogue.txt")
clip() { rm -f "$clips/${names[$1]}.m4a" && echo "$clips/${names[$1]}.m4a"; }
tone() { ffmpeg -v error -f lavfi -i "$1" -c:a aac "$2"; }
: >"$(clip 0)"
head -c 1200 "$root/resources/achso.m4a" >"$(clip 1)"
head -c 4096 /dev/urandom >"$(clip 2)"
echo 'ftyp? no, just words about a clip' >"$(clip 3)"
cp "$root/resources/Pellmor.png" "$(clip 4)"
mkdir "$(clip 5)"
cp "$root/resources/achso.m4a" "$(clip 6)" && chmod 000 "$clips/${names[6]}.m4a"
ln -s "$work/nowhere" "$(clip 7)"
tone 'aevalsrc=0.5*sin(2*PI*1000*t):s=8000:d=2' "$(clip 8)"
tone 'aevalsrc=0.5*sin(2*PI*1000*t)|0.4*sin(2*PI*500*t)|0|0|0.3*sin(2*PI*250*t)|0:s=96000:d=2' "$(clip 9)"
# Long enough that the player refills its buffer many times over; the path is the same at 30 min.
tone 'sine=frequency=1000:sample_rate=8000:duration=180' "$(clip 10)"
undecodable=8
[[ -r "$clips/${names[6]}.m4a" ]] && undecodable=7 # root reads it anyway

echo "memcheck: decoding and playing every clip and every bad file"
memcheck "$build/klonkel-decode-bench" "$clips" | tee "$work/decode.txt"
# Each bad file's press writes "error", as in the app.
[[ $(grep -c '^error$' "$work/decode.txt") -eq $undecodable ]] ||
    { echo "memcheck: expected $undecodable undecodable files" >&2; exit 1; }

echo "memcheck: a burst of presses, each clip cut off by the next, then one played to its end"
{ for delay in 0.8 0.3 0.05 0.05 0.05 1 4; do echo; sleep "$delay"; done; } |
    memcheck "$build/klonkel-press" "$root/resources" >"$work/press.txt"
[[ $(grep -c '^button Tapped$' "$work/press.txt") -eq 7 ]] ||
    { echo "memcheck: klonkel-press did not handle every press" >&2; exit 1; }
echo "memcheck: no errors"
