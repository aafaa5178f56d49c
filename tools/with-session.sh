#!/usr/bin/env bash
# Runs a command with a display and a sound server. Whatever is missing is started
# privately (Xvfb, a PulseAudio daemon whose default sink is a null sink) and stopped afterwards.
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

if ! pactl info >/dev/null 2>&1; then
    runtime=$(mktemp -d /tmp/klonkel-pulse.XXXXXX)
    export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse"
    # A system-wide root daemon is refused; run it as a user daemon in a private dir.
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=klonkel_null rate=48000 channels=2" \
        --load="module-native-protocol-unix" \
        --load="module-always-sink" \
        --log-target=file:"$runtime/pulse.log" >/dev/null 2>&1 &
    cleanup+=("kill $! ; rm -rf '$runtime'")
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink klonkel_null
fi

"$@"
