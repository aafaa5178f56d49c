#!/usr/bin/env python3
"""The press tool (a press per line on stdin, the app's stdout) from outside, in with-session.sh:
press_checks.py PRESS_TOOL RESOURCES lines|threads|clips|mixer. lines: its end, for a reader that
never reads. threads: where its threads meet; each run prints exactly its presses' lines, ends with
status 0, writes nothing to stderr (so any sanitizer report fails). clips: every kind of clip file
pressed while a clip sounds. mixer: what volume mixers show of it."""
import fcntl, math, os, select, signal, subprocess, sys, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "../../bench"))
import harness as h  # noqa: E402
from harness import Program, Sink, check, poll, press  # noqa: E402

ID = "org.klonkel.Klonkel"

# A run whose reader never reads ends, by design, with the line writer's thread held in a write,
# owning its queue: no leak check; and under TSan no second's sleep at exit: the exit is timed.
ENDLESS_WRITE = {k: ":".join(filter(None, [os.environ.get(k), v])) for k, v in
                 (("ASAN_OPTIONS", "detect_leaks=0"), ("TSAN_OPTIONS", "atexit_sleep_ms=0"))}


def pressing(tool, resources, env={}, **popen):
    return Program([tool, resources], env, stdin=subprocess.PIPE, window=False, **popen)


def clean_end(tool, expected):
    status, out, err = tool.finish()
    check(expected is None or out == expected, f"output {out[-160:]!r}")
    check(status == 0 and err == "", f"exit status {status}, stderr {err[:3000]}")
    return out


def lines(tool, _):
    h.case = "a reader that never reads"  # a one-page blocking pipe: the end waits a while only
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, 1031, 4096)  # F_SETPIPE_SZ
    with tempfile.TemporaryDirectory(prefix="klonkel-no-clips.") as empty:  # nothing sounds, no server needed
        run = pressing(tool, empty, ENDLESS_WRITE, stdout=write_end)
        os.close(write_end)
        run.type(300)
        select.select([read_end], [], [], 30)  # up and pressing
        ended = time.monotonic()
        status, _, err = run.finish()
        took = time.monotonic() - ended
    received = b"".join(iter(lambda: os.read(read_end, 65536), b""))
    check(status == 0 and err == "" and took < 2, f"status {status}, after {took:.2f} s, stderr {err[:200]!r}")
    check(received.endswith(b"\n") and b"".join(map(press, range(265))).startswith(received),
          f"not whole lines from the first: {received[-80:]!r}")


def threads(tool, resources):
    h.case = "first press at start"  # before the first clip is read ahead: the press opens it
    sink = Sink()
    sink.quiet()
    mark = sink.mark()
    run = pressing(tool, resources)
    run.type()
    run.wait_for(press(0), 20)
    check(poll(lambda: sink.first_loud(mark) is not None, 5), "the first press did not sound")
    sink.stop()
    clean_end(run, press(0))

    # Lines and a clean end only: on PipeWire a flood of new streams keeps the last clip silent
    # for seconds, so whether it sounds is left to the other cases.
    h.case = "bursts 4 ms apart across a rewind"
    run = pressing(tool, resources)
    for _ in range(3):  # each burst ends with a pause in which the next clip is read ahead
        run.type(90, 0.004)
        time.sleep(0.3)
    found = h.playlists(clean_end(run, None), 270)
    shipped = sorted(f[:-4].encode() for f in os.listdir(resources) if f.endswith(".m4a"))
    check(found and sorted(h.names(found[0])) == shipped, "not the lines of 270 presses and a new order")

    h.case = "sound server late, killed during a clip, back hung, then answering"
    with tempfile.TemporaryDirectory(prefix="klonkel-press-") as runtime:
        server = h.PrivateSoundServer(runtime)
        run = pressing(tool, resources, server.env)
        run.type()  # no server yet: silent, and no error
        run.wait_for(press(0), 20)
        presses = 1
        for when in ("came", "came back"):
            server.start()
            if when == "came back":  # hung at first: a press gives up on it soon, silent
                os.killpg(server.daemon.pid, signal.SIGSTOP)
                run.type(2, 0.05)
                presses += 2
                run.wait_for(press(presses - 1), 5)
                os.killpg(server.daemon.pid, signal.SIGCONT)
            sink = Sink(server.env)
            mark = sink.mark()
            run.type()
            presses += 1
            check(poll(lambda: sink.first_loud(mark) is not None, 5), f"no sound once the server {when}")
            sink.stop()
            server.kill()  # during the clip: the next presses find it gone
            if when == "came":
                run.type(2, 0.05)
                presses += 2
                run.wait_for(press(presses - 1), 20)
        clean_end(run, b"".join(map(press, range(presses))))

    # A mono clip is a mono stream, which the server puts on the front speakers at least, not on
    # the subwoofer alone and never on no speaker at all: on outputs of every usual size, as the
    # server names their channels (4: its own default map).
    with tempfile.TemporaryDirectory(prefix="klonkel-press-") as runtime:
        server = h.PrivateSoundServer(runtime)
        server.start()
        for layout in ("mono", "front-left,front-right", "front-left,front-right,rear-left,rear-right",
                       "front-left,front-right,rear-left,rear-right,front-center,lfe",
                       "front-left,front-right,rear-left,rear-right,front-center,lfe,side-left,side-right"):
            h.case = f"a clip on a {layout} output"
            channels = layout.split(",")
            name = f"out{len(channels)}"
            subprocess.run(["pactl", "load-module", "module-null-sink", f"sink_name={name}", "rate=48000",
                            f"channels={len(channels)}", f"channel_map={layout}"], env=server.env, capture_output=True)
            subprocess.run(["pactl", "set-default-sink", name], env=server.env)
            sink = Sink(server.env, f"{name}.monitor", layout)
            run = pressing(tool, resources, server.env)
            mark = sink.mark() // len(channels) * len(channels)  # on a frame's first channel
            run.type()
            run.wait_for(press(0), 20)
            poll(lambda: sink.first_loud(mark) is not None, 5)
            poll(lambda: sink.mark() > mark + 48000 * len(channels), 3)  # and a second of it
            recorded = sink.samples(mark)
            loud = [c for i, c in enumerate(channels) if max(map(abs, recorded[i::len(channels)]), default=0) > 600]
            check("mono" in loud or {"front-left", "front-right"} <= set(loud), f"sounded on {loud or 'no channel'}")
            sink.stop()
            clean_end(run, press(0))
        server.kill()


# Tone levels (0 to 1) on the sink, in 5 ms windows: the pitch tells which clip is sounding.
SOUNDING, QUIET, MS = 0.05, 0.01, h.RATE // 1000
WINDOW, FIRST_HZ = 5 * MS, 1760


def encode(path, source, *options):
    """An AAC clip of an ffmpeg test source."""
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", source, "-c:a", "aac", *options, path], check=True)


def tone_level(samples, begin, length, hz):
    """The strength of one frequency in samples[begin:begin + length] (Goertzel)."""
    window, k, s1, s2 = samples[max(0, begin): begin + length], 2 * math.cos(2 * math.pi * hz / h.RATE), 0.0, 0.0
    for x in window:
        s1, s2 = x / 32768 + k * s1 - s2, s1
    return 2 * math.sqrt(max(s1 * s1 + s2 * s2 - k * s1 * s2, 0)) / len(window) if window else 0


def tone_onset(samples, hz):
    return next((at for at in range(0, len(samples) - WINDOW, MS // 2) if tone_level(samples, at, WINDOW, hz) > SOUNDING), None)


def clips(tool, resources):
    """Every kind of clip file, each pressed while a 1760 Hz tone sounds (the press tool plays the
    catalogue in its order until the first rewind): one that does not open writes "error" and leaves
    the tone alone; a good one of any rate, layout or length cuts it off at once, streamed."""
    with tempfile.TemporaryDirectory(prefix="klonkel-clips.") as work:
        kinds, clips = f"{work}/kinds", f"{work}/clips"
        os.mkdir(kinds), os.mkdir(clips)
        subprocess.run([f"{HERE}/make-clip-files.sh", kinds], check=True)
        encode(f"{work}/first.m4a", f"sine=frequency={FIRST_HZ}:sample_rate=48000:duration=3")
        encode(f"{kinds}/thirty-minutes.m4a", "sine=frequency=1000:sample_rate=8000:duration=1800", "-b:a", "12k")
        pitch = {"mono-8k.m4a": 440, "surround-96k.m4a": 1000, "three-minutes.m4a": 440, "thirty-minutes.m4a": 1000}
        cases = sorted(set(os.listdir(kinds)) - ({"unreadable.m4a"} if os.geteuid() == 0 else set()))  # root reads it
        catalogue = open(f"{HERE}/../../tools/catalogue.txt", encoding="utf-8").read().split()
        for i, case in enumerate(cases):
            os.symlink(f"{work}/first.m4a", f"{clips}/{catalogue[2 * i]}.m4a")
            os.rename(f"{kinds}/{case}", f"{clips}/{catalogue[2 * i + 1]}.m4a")
        sink = Sink()
        run = pressing(tool, clips)
        expected = b""
        for i, case in enumerate(cases):
            h.case = f"{case} while a clip sounds"
            start, before = sink.mark(), run.resident_mib()
            run.type()
            expected += press(2 * i)
            if not check(poll(lambda: tone_onset(sink.samples(start), FIRST_HZ) is not None, 5), "the tone did not sound"):
                continue
            mark = sink.mark()
            run.type()
            expected += press(2 * i + 1) + b"error\n" * (case not in pitch)
            run.wait_for(expected, 5)
            poll(lambda: sink.mark() > mark + 700 * MS, 5)
            recorded = sink.samples(mark, mark + 700 * MS)
            if case not in pitch:
                check(tone_level(recorded, 300 * MS, 300 * MS, FIRST_HZ) > SOUNDING, "the tone stopped")
                continue
            onset = tone_onset(recorded, pitch[case])
            check(onset is not None, "it did not sound")
            check(onset is None or tone_level(recorded, onset + WINDOW, 300 * MS, FIRST_HZ) < QUIET, "the tone went on")
            # Decoded whole, half an hour at 8 kHz would take 27 MiB; streamed, about a second.
            growth = run.resident_mib() - before
            check(growth < 16, f"the process grew by {growth:.0f} MiB as it played")
        sink.stop()
        clean_end(run, expected)


def long_first_clip(resources, folder):
    """The clips, the first played three seconds long: on a busy server still there to be set."""
    os.mkdir(folder)
    for name in os.listdir(resources):
        os.symlink(os.path.join(resources, name), os.path.join(folder, name))
    os.remove(f"{folder}/ach_ja.m4a")
    encode(f"{folder}/ach_ja.m4a", "sine=frequency=440:sample_rate=48000:duration=3")
    return folder


def mixer(tool, resources):
    with tempfile.TemporaryDirectory(prefix="klonkel-mixer-") as runtime:
        clips = long_first_clip(resources, f"{runtime}/clips")
        names = {f[:-4] for f in os.listdir(clips) if f.endswith(".m4a")}
        server = h.PrivateSoundServer(runtime)
        server.start()
        env = server.env
        stream = lambda index: next((s for s in h.streams(env) if s["index"] == index), None)  # noqa: E731
        volumes = lambda s: s and sorted({c["value_percent"] for c in s["volume"].values()})  # noqa: E731
        for run in ("first", "second"):
            h.case = f"a mixer's view, {run} run"
            player = pressing(tool, clips, env)
            # The first clip is read ahead (unless the server is too slow to answer), as a stream
            # that must not tell a mixer what comes next.
            ahead = poll(lambda: player.streams(env), 3) or []
            shown = [s["properties"].get("media.name") for s in ahead]
            check(not names & set(shown), f"before the press a mixer shows {shown}")
            if run == "second" and ahead:  # the server sets the volume it keeps once it sees the stream
                poll(lambda: volumes(stream(ahead[0]["index"])) == ["37%"], 10)
            player.type()
            playing = poll(lambda: [s for s in player.streams(env) if not s["corked"]], 2, 0.01)
            index = playing[0]["index"] if check(playing, "a press made no stream") else None
            if playing and run == "first":
                check(volumes(playing[0]) == ["100%"], f"it starts at {volumes(playing[0])}, not full volume")
                s = poll(lambda: (s := stream(index)) and s["properties"].get("media.name") in names and s, 0.5, 0.01)
                check(s and s["properties"].get("media.role") in ("production", "Production"),
                      f"its stream is not named after its clip, with the role production: {s and s['properties']}")
                client = next((c for c in h.pactl(env, "list", "clients")
                               if s and str(c["index"]) == str(s["client"])), {})
                want = {"application.name": "Klonkel", "application.id": ID, "application.icon_name": ID}
                check(want.items() <= client.get("properties", {}).items(), f"client {client.get('properties')}")
                # The next clip's stream is opened just after the press. A server that keeps one
                # volume, the last it heard of (WirePlumber: per media role, and it can be seconds
                # behind) would store its 100 % over the 37 % set here: as a mixer, set both.
                poll(lambda: len(player.streams(env)) > 1, 2, 0.02)
                for s in player.streams(env):
                    subprocess.run(["pactl", "set-sink-input-volume", str(s["index"]), "37%"], env=env)
                if os.environ.get("KLONKEL_SOUND_SERVER") == "pipewire":  # written a second after a change
                    state = f"{runtime}/state/wireplumber/restore-stream"
                    check(poll(lambda: os.path.exists(state) and "Volumes=0.0506" in open(state).read(), 10),
                          "WirePlumber never wrote the volume down")
            elif playing:  # while its clip plays
                check(poll(lambda: volumes(stream(index)) == ["37%"], 3, 0.01), f"it plays at {volumes(stream(index))}")
            check(poll(lambda: not stream(index), 8), "the stream was kept after its clip ended")
            status, out, _ = player.finish()
            check(out == press(0) and status == 0, f"printed {out!r}, status {status}")

        # Presses faster than the server sets streams up must not leave streams behind: once the
        # last clip has ended, only a stream opened ahead may wait.
        h.case = "a burst of 30 presses"
        player = pressing(tool, resources, env)
        poll(lambda: player.streams(env), 10)
        player.type(30)
        player.wait_for(press(29), 20)
        time.sleep(3)  # the last clip's length: a busy server takes its time over the rest
        check(poll(lambda: len(player.streams(env)) <= 1, 20, 0.2), f"{len(player.streams(env))} streams kept")
        player.finish()
        server.kill()


if __name__ == "__main__":
    {"lines": lines, "threads": threads, "clips": clips, "mixer": mixer}[sys.argv[3]](os.path.abspath(sys.argv[1]), sys.argv[2])
    h.report(sys.argv[3])
