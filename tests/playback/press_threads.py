#!/usr/bin/env python3
"""The press tool where its threads meet: the main thread pressing and decoding ahead, the sound
server connection's thread writing. Each run must print exactly
its presses' lines, end with status 0 and write nothing to stderr (so under a sanitizer, any
report fails); the first press, and the first once a server is there, must sound. Inside
tools/with-session.sh:
    press_threads.py PRESS_TOOL RESOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../app"))
import app_checks as checks  # noqa: E402 (its Sink, poll, check and press lines)
from app_checks import Sink, check, poll, press  # noqa: E402

LOUD = 600


class PressTool:
    def __init__(self, program, resources, env=None):
        self.out, self.err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        self.proc = subprocess.Popen([program, resources], stdin=subprocess.PIPE, stdout=self.out,
                                     stderr=self.err, env=env)

    def press(self, times=1, gap=0.0):
        for _ in range(times):
            try:
                self.proc.stdin.write(b"\n")
                self.proc.stdin.flush()
            except BrokenPipeError:  # it ended early: finish() tells how
                return
            time.sleep(gap)

    def output(self):
        return os.pread(self.out.fileno(), 1 << 22, 0)

    def wait_for(self, text, seconds=20):
        return check(poll(lambda: text in self.output(), seconds), f"no {text!r} in {self.output()[-120:]!r}")

    def finish(self):
        """Ends input, so it quits once its presses are handled: exit status, stdout, stderr."""
        try:
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            status = self.proc.wait(60)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            status = "hung"
        self.err.seek(0)
        return status, self.output(), self.err.read().decode(errors="replace")


def sounds_after(sink, mark, seconds=5):
    return poll(lambda: any(abs(v) > LOUD for v in sink.samples(mark)), seconds)


def check_clean_end(tool, expected):
    status, out, err = tool.finish()
    check(expected is None or out == expected, f"output {out[-160:]!r}")
    check(status == 0 and err == "", f"exit status {status}, stderr {err[:3000]}")
    return out


def first_press_at_start(program, resources):
    checks.case = "first press at start"
    sink = Sink()
    sink.quiet()
    mark = sink.mark()
    tool = PressTool(program, resources)
    # Before the first clip has been read ahead: the press opens it itself.
    tool.press()
    tool.wait_for(press(0))
    check(sounds_after(sink, mark), "the first press did not sound")
    sink.stop()
    check_clean_end(tool, press(0))


def bursts_across_a_rewind(program, resources):
    """Lines and a clean end only: on PipeWire a flood of new streams keeps the last clip silent
    for seconds, so whether it sounds is left to the other cases."""
    checks.case = "bursts 4 ms apart across a rewind"
    tool = PressTool(program, resources)
    for _ in range(3):  # each burst ends with a pause in which the next clip is read ahead
        tool.press(90, 0.004)
        time.sleep(0.3)
    out = check_clean_end(tool, None)
    head = b"".join(map(press, range(265)))
    playlist = out[len(head): out.find(b"]\n", len(head)) + 2]
    checks.playlist_names(playlist, resources)
    check(out == head + playlist + b"".join(map(press, range(1, 6))), f"output {out[-160:]!r}")


def server_late_killed_and_back(program, resources):
    checks.case = "sound server late, killed during a clip, back"
    with tempfile.TemporaryDirectory(prefix="klonkel-press-") as runtime:
        server = checks.PrivateSoundServer(runtime)
        tool = PressTool(program, resources, server.env)
        tool.press()  # no server yet: silent, and no error
        tool.wait_for(press(0))
        presses = 1
        for when in ("came", "came back"):
            server.start()
            sink = Sink(server.env)
            mark = sink.mark()
            tool.press()
            presses += 1
            check(sounds_after(sink, mark), f"the first press once the server {when} was silent")
            sink.stop()
            # Killed as soon as the clip is heard, so during it; the next presses find it gone,
            # the one after that its successor.
            server.kill()
            if when == "came":
                tool.press(2, 0.05)
                presses += 2
                tool.wait_for(press(presses - 1))
        check_clean_end(tool, b"".join(map(press, range(presses))))


# Outputs of every usual size, as the server names their channels (4: its own default map).
OUTPUTS = ["mono", "front-left,front-right", "front-left,front-right,rear-left,rear-right",
           "front-left,front-right,rear-left,rear-right,front-center,lfe",
           "front-left,front-right,rear-left,rear-right,front-center,lfe,side-left,side-right"]


def clips_placed_on_every_output(program, resources):
    """A mono clip is a mono stream, which the server puts on the front speakers at least, not on
    the subwoofer alone and never on no speaker at all."""
    with tempfile.TemporaryDirectory(prefix="klonkel-press-") as runtime:
        server = checks.PrivateSoundServer(runtime)
        server.start()
        for layout in OUTPUTS:
            checks.case = f"a clip on a {layout} output"
            channels = layout.split(",")
            name = f"out{len(channels)}"
            subprocess.run(["pactl", "load-module", "module-null-sink", f"sink_name={name}", "rate=48000",
                            f"channels={len(channels)}", f"channel_map={layout}"], env=server.env,
                           capture_output=True)
            subprocess.run(["pactl", "set-default-sink", name], env=server.env)
            sink = Sink(server.env, f"{name}.monitor", layout)
            tool = PressTool(program, resources, server.env)
            mark = sink.mark() // len(channels) * len(channels)  # on a frame's first channel
            tool.press()
            tool.wait_for(press(0))
            sounds_after(sink, mark)
            poll(lambda: sink.mark() > mark + 48000 * len(channels), 3)  # and a second of it
            recorded = sink.samples(mark)
            loud = [c for i, c in enumerate(channels) if max(map(abs, recorded[i::len(channels)]), default=0) > LOUD]
            check("mono" in loud or {"front-left", "front-right"} <= set(loud), f"sounded on {loud or 'no channel'}")
            sink.stop()
            check_clean_end(tool, press(0))
        server.kill()


def main():
    program, resources = os.path.abspath(sys.argv[1]), sys.argv[2]
    first_press_at_start(program, resources)
    bursts_across_a_rewind(program, resources)
    server_late_killed_and_back(program, resources)
    clips_placed_on_every_output(program, resources)
    print(*checks.failures, sep="\n")
    print("PASS" if not checks.failures else f"{len(checks.failures)} failed")
    sys.exit(1 if checks.failures else 0)


if __name__ == "__main__":
    main()
