#!/usr/bin/env python3
"""The press tool where its threads meet: the main thread pressing, the sound server connection's
thread decoding and writing, the worker loading the decoder module. Each run must print exactly
its presses' lines, end with status 0 and write nothing to stderr (so under a sanitizer, any
report fails); the first press, and the first once a server is there, must sound. Inside
tools/with-session.sh:
    press_threads.py PRESS_TOOL RESOURCE_DIR
"""
import glob
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

    def threads(self):
        names = []
        for task in glob.glob(f"/proc/{self.proc.pid}/task/*/comm"):
            try:
                names.append(open(task).read().strip())
            except OSError:  # that thread just ended
                pass
        return names

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


def first_press_while_loading(program, resources):
    checks.case = "first press while the decoder loads"
    sink = Sink()
    sink.quiet()
    mark = sink.mark()
    tool = PressTool(program, resources)
    # The module is loaded on a pooled thread, asked for as the event loop starts: the press
    # comes as soon as that thread is seen, while the libraries are still being mapped.
    check(poll(lambda: "Thread (pooled)" in tool.threads(), 20, 0.001), "the decoder was never loaded ahead")
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


def main():
    program, resources = os.path.abspath(sys.argv[1]), sys.argv[2]
    first_press_while_loading(program, resources)
    bursts_across_a_rewind(program, resources)
    server_late_killed_and_back(program, resources)
    print(*checks.failures, sep="\n")
    print("PASS" if not checks.failures else f"{len(checks.failures)} failed")
    sys.exit(1 if checks.failures else 0)


if __name__ == "__main__":
    main()
