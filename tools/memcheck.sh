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

# A catalogue whose first names are clip files of every kind, bad and unusual; the rest are the
# real clips.
clips="$work/clips"
mkdir "$clips" "$work/kinds"
for f in "$root"/resources/*.m4a; do ln -s "$f" "$clips/"; done
"$root/tests/playback/make-clip-files.sh" "$work/kinds"
mapfile -t kinds < <(ls "$work/kinds")
mapfile -t names < <(head -${#kinds[@]} "$root/tools/catalogue.txt")
undecodable=$((${#kinds[@]} - 3)) # all but mono-8k, surround-96k and three-minutes
[[ -r "$work/kinds/unreadable.m4a" ]] && undecodable=$((undecodable - 1)) # root reads it anyway
for i in "${!kinds[@]}"; do rm "$clips/${names[i]}.m4a" && mv "$work/kinds/${kinds[i]}" "$clips/${names[i]}.m4a"; done

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
