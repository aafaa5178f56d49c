#!/usr/bin/env bash
# Runs a command with a display and a sound server. Whatever is missing is started
# privately (Xvfb, a sound server whose default sink is a null sink) and stopped afterwards.
# KLONKEL_SOUND_SERVER=pipewire makes that server PipeWire instead of PulseAudio (see
# tools/sound-server.sh).
set -euo pipefail

cleanup=()
finish() {
    local i
    for ((i = ${#cleanup[@]} - 1; i >= 0; i--)); do eval "${cleanup[$i]}" || true; done
}
trap finish EXIT

if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    # Xvfb picks a free display itself and reports it, so parallel sessions never collide.
    displayfile=$(mktemp /tmp/klonkel-display.XXXXXX)
    # -noreset: a reset when the last client leaves would refuse the next one for a moment.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
    cleanup+=("kill $! ; rm -f '$displayfile'")
    for _ in $(seq 100); do [[ -s "$displayfile" ]] && break; sleep 0.05; done
    export DISPLAY=":$(head -1 "$displayfile")"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

# A kind asked for by name is always started afresh.
if [[ -n "${KLONKEL_SOUND_SERVER:-}" ]] || ! pactl info >/dev/null 2>&1; then
    runtime=$(mktemp -d /tmp/klonkel-sound.XXXXXX)
    # Clients never spawn a server of their own (libpulse would, for a user other than root,
    # while the private one starts or after a check killed it), and it would outlive the run.
    echo "autospawn = no" >"$runtime/client.conf"
    export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse"
    export PULSE_CLIENTCONFIG="$runtime/client.conf"
    unset PULSE_SERVER
    setsid "$(dirname "$0")/sound-server.sh" &
    cleanup+=("kill -- -$! 2>/dev/null; sleep 0.2; rm -rf '$runtime'")
    for _ in $(seq 100); do
        pactl info 2>/dev/null | grep -q "Default Sink: klonkel_null" && break
        sleep 0.1
    done
fi

status=0
"$@" || status=$?
# A session server that died during the run takes the later checks down with it: say why.
if [[ -n "${runtime:-}" ]] && ! pactl info >/dev/null 2>&1; then
    echo "with-session.sh: the private sound server died during the run; its logs:" >&2
    tail -n 20 "$runtime"/*.log >&2 2>/dev/null || true
fi
exit "$status"
