#!/usr/bin/env bash
# Starts the built program under a virtual X server and a sound server with a null sink, presses
# its button with real X input, records the sink, closes the window and checks what came out.
set -euo pipefail
klonkel=$1
here=$(cd "$(dirname "$0")" && pwd)

if [[ "${KLONKEL_IN_SESSION:-}" != 1 ]]; then
    export KLONKEL_IN_SESSION=1
    exec "$here/../../tools/with-session.sh" "$0" "$@"
fi

work=$(mktemp -d /tmp/klonkel-e2e.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- stdout"; cat "$work/out" >&2; echo "--- stderr"; cat "$work/err" >&2; exit 1; }

sink=$(pactl get-default-sink)
# A short fragment size, so the monitor hands over what it hears at once rather than in seconds-
# long blocks that a stopped recorder would lose; the app starts once the monitor flows.
parec --device="$sink.monitor" --format=s16le --rate=48000 --channels=1 --raw --latency-msec=5 \
    >"$work/sound.raw" &
pids+=($!)
for _ in $(seq 100); do
    [[ $(stat -c %s "$work/sound.raw") -gt 9600 ]] && break
    sleep 0.05
done

"$klonkel" >"$work/out" 2>"$work/err" &
app=$!
pids+=($app)

window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -1 || true)
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || fail "no window appeared"
read -r width height < <(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
[[ "$width x $height" == "500 x 300" ]] || fail "window is $width x $height"
# A frameless window: its hints ask the window manager for no decorations, no title bar.
decorations=$(xprop -id "$window" _MOTIF_WM_HINTS | sed 's/.*= //' | awk -F', ' '{print $3}')
[[ "$decorations" == "0x0" ]] || fail "window asks for decorations ($decorations)"
# Window lists show the app's name and icon, in any language, and match it to its launcher.
name=$(xprop -id "$window" _NET_WM_NAME | sed 's/.*= //')
[[ "$name" == '"Klonkel"' ]] || fail "window title is $name"
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
[[ "$icons" == *"Icon (16 x 16)"*"Icon (48 x 48)"*"Icon (128 x 128)"* ]] || fail "window icons: $icons"
[[ $(xprop -id "$window" WM_CLASS) == *'"Klonkel"' ]] || fail "window class does not match the launcher"

# Let the button grow, then press its centre (250, 180 in the window).
sleep 1.5
xdotool mousemove --window "$window" 250 180 click 1
sleep 1.5
# Typed, not sent to the window: a synthetic key release would reach a window already gone.
xdotool windowfocus --sync "$window"
xdotool key ctrl+w

status=0
wait "$app" || status=$?
[[ $status -eq 0 ]] || fail "exit status $status"

mapfile -t lines <"$work/out"
[[ ${#lines[@]} -eq 6 ]] || fail "expected 6 lines, got ${#lines[@]}"
[[ "${lines[0]}" == "ContentView appeared!" ]] || fail "first line: ${lines[0]}"
playlist=${lines[1]}
count=$(grep -o '"[^"]*"' <<<"$playlist" | sort -u | wc -l)
total=$(grep -o '"[^"]*"' <<<"$playlist" | wc -l)
[[ $count -eq 264 && $total -eq 264 ]] || fail "playlist holds $total names, $count different"
[[ "$playlist" == \[* && "$playlist" == *\] ]] || fail "playlist line is not bracketed"
[[ "${lines[2]}" == "button Tapped" ]] || fail "third line: ${lines[2]}"
[[ "${lines[3]}" == "0" ]] || fail "index line: ${lines[3]}"
[[ "${lines[4]}" == "264" ]] || fail "count line: ${lines[4]}"
[[ "${lines[5]}" == "ContentView disappeared!" ]] || fail "sixth line: ${lines[5]}"
# Teardown is quiet: nothing but the program's own lines, no warnings.
[[ ! -s "$work/err" ]] || fail "stderr not empty"

sleep 0.5 # the monitor's last fragments
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null || true
peak=$(od -An -v -td2 -w2 "$work/sound.raw" | awk '{v=$1<0?-$1:$1; if (v>m) m=v} END{print m+0}')
[[ $peak -gt 1000 ]] || fail "the sink stayed silent (peak $peak)"
echo "PASS: klonkel end to end (sound peak $peak)"
