#!/usr/bin/env bash
# Runs a private sound server in $XDG_RUNTIME_DIR until its process group is signalled (start it
# with setsid): PulseAudio, or with KLONKEL_SOUND_SERVER=pipewire a PipeWire with WirePlumber and
# its PulseAudio service. Either way the default sink is a 48 kHz stereo null sink, klonkel_null,
# and the server remembers stream volumes in a state folder inside $XDG_RUNTIME_DIR.
# Ready once `pactl info` reports "Default Sink: klonkel_null".
set -euo pipefail
rt="$XDG_RUNTIME_DIR"
export PULSE_RUNTIME_PATH="$rt/pulse" PULSE_STATE_PATH="$rt/state" XDG_STATE_HOME="$rt/state"
export XDG_CONFIG_HOME="$rt/config"
unset PULSE_SERVER
mkdir -p "$rt/state"

case "${KLONKEL_SOUND_SERVER:-pulseaudio}" in
pulseaudio)
    # No session bus at all: on a desktop (or wherever libdbus would autolaunch one for the
    # display) PulseAudio would claim org.PulseAudio1 beside the session's own server, and refuse
    # to start when that name is taken.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$rt/no-session-bus"
    # A system-wide root daemon is refused; run it as a user daemon in a private dir. Its only
    # sink is the default. It replaces this script so that whoever started it reaps it: an
    # unreaped daemon keeps its pid file looking alive, and the next one would refuse to start.
    exec pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=klonkel_null rate=48000 channels=2" \
        --load="module-native-protocol-unix" --load="module-always-sink" \
        --load="module-stream-restore" --log-target=file:"$rt/pulse.log" >/dev/null 2>&1
    ;;
pipewire)
    # WirePlumber finds its peers over a session bus: a private one, never the desktop's.
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$rt/bus"
    dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile \
        >/dev/null 2>&1 &
    for _ in $(seq 100); do [[ -S "$rt/bus" ]] && break; sleep 0.02; done
    pipewire >"$rt/pipewire.log" 2>&1 &
    # Its clients give up if they come before its socket does.
    for _ in $(seq 100); do [[ -S "$rt/pipewire-0" ]] && break; sleep 0.02; done
    wireplumber >"$rt/wireplumber.log" 2>&1 &
    pipewire-pulse >"$rt/pipewire-pulse.log" 2>&1 &
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
    pactl load-module module-null-sink sink_name=klonkel_null rate=48000 channels=2 >/dev/null
    # WirePlumber links streams only once it has fully started: wait until a short one has played.
    for _ in $(seq 20); do
        head -c 960 /dev/zero | timeout 2 pacat --raw --device=klonkel_null 2>/dev/null && break
    done
    ;;
*)
    echo "KLONKEL_SOUND_SERVER must be pulseaudio or pipewire" >&2
    exit 2
    ;;
esac
# WirePlumber may only now pick its default: insist on the null sink.
for _ in $(seq 100); do
    pactl set-default-sink klonkel_null 2>/dev/null &&
        pactl info 2>/dev/null | grep -q "Default Sink: klonkel_null" && break
    sleep 0.05
done
wait
