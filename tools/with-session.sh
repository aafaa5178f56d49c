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
    for n in $(seq 90 120); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        cleanup+=("kill $!")
        export DISPLAY=":$n"
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
        break
    done
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
