#!/usr/bin/env python3
"""Press-to-sound latency, measured from outside.

Writes one line at a time to a press program's standard input and finds the first sample of
the clip on the default sink's monitor. Monitor samples are put on the wall clock by their
arrival times: the earliest arrival of each sample bounds when the sink produced it.
Compares klonkel-press with a QMediaPlayer baseline and with the floor of a stream kept running
(klonkel-press-floor), in the same run.

    press_latency.py BUILD_DIR [--presses N] [--rounds R] [--compare OTHER_BUILD_DIR]...
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

import harness
from harness import Program, Sink

WARM_UP_PRESSES = 5


def measure(command, presses, sink):
    with Program(command, stdin=subprocess.PIPE, window=False) as program:
        time.sleep(1.5)  # start-up and the read-ahead of the first clip

        def press():
            sent = time.monotonic()
            return sent if program.type() else None
        found = harness.latencies(sink, press, presses)
        if program.proc.poll() is not None:
            # Counted as missed, so the other subjects' figures still come out.
            print(f"{' '.join(command)} ended early with status {program.proc.poll()}", file=sys.stderr)
        program.finish()
    return [ms for _, _, _, ms in found]


def summary(values):
    ok = sorted(v for v in values if v == v)
    if not ok:
        return float("nan"), float("nan"), len(values)
    p95 = ok[min(len(ok) - 1, int(round(0.95 * (len(ok) - 1))))]
    return statistics.median(ok), p95, len(values) - len(ok)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--presses", type=int, default=50, help="per subject and round")
    parser.add_argument("--rounds", type=int, default=1,
                        help="subjects take turns this often; the spread is over rounds")
    parser.add_argument("--compare", metavar="OTHER_BUILD_DIR", action="append", default=[],
                        help="also measure that build's klonkel-press (e.g. before a change); "
                             "may be given more than once")
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    resources = os.path.join(build, "resources")

    sink = Sink(latency_ms=2)
    if not harness.poll(lambda: sink.mark() > harness.RATE // 2, 10):
        sys.exit("no data from the sink monitor: is a sound server running?")
    runs = {"klonkel-press": [os.path.join(build, "klonkel-press"), resources]}
    for number, other in enumerate(args.compare, 1):
        runs[f"compared build {number}"] = [os.path.join(os.path.abspath(other), "klonkel-press"),
                                            resources]
    runs["QMediaPlayer (ffmpeg)"] = ["env", "QT_MEDIA_BACKEND=ffmpeg",
                                     os.path.join(build, "mediaplayer-press"), resources]
    # A stream kept running, written over on each press: the least the server and this
    # measurement allow (it keeps the output awake, so no player can work like it).
    runs["floor: running stream"] = [os.path.join(build, "klonkel-press-floor")]
    # Each subject first plays a few presses that are not counted: the first program after the
    # recording starts met a colder server and machine than the rest.
    for command in runs.values():
        measure(command, WARM_UP_PRESSES, sink)
    # Subjects take turns, each round starting with the next one, so that a slow spell of the
    # machine or the server hits them alike.
    names = list(runs)
    rounds = []
    for number in range(args.rounds):
        order = names[number % len(names):] + names[:number % len(names)]
        rounds.append({name: measure(runs[name], args.presses, sink) for name in order})
    sink.stop()

    server = subprocess.run(["pactl", "info"], capture_output=True, text=True).stdout
    server = next((l.split(":", 1)[1].strip() for l in server.splitlines()
                   if l.startswith("Server Name")), "?")
    print(f"\npress to first sample at the sink ({server}), {args.presses} presses "
          f"per subject in each of {args.rounds} rounds")
    print(f"{'program':<26}{'median ms':>10}{'p95 ms':>10}{'max ms':>10}{'missed':>8}"
          f"   spread of round medians / p95s")
    overall = {}
    for name in runs:
        values = [v for r in rounds for v in r[name]]
        median, p95, missed = summary(values)
        overall[name] = (median, p95)
        worst = max((v for v in values if v == v), default=float("nan"))
        per_round = [summary(r[name]) for r in rounds]
        spread = (f"{min(m for m, _, _ in per_round):.2f}-{max(m for m, _, _ in per_round):.2f}"
                  f" / {min(p for _, p, _ in per_round):.2f}-{max(p for _, p, _ in per_round):.2f}")
        print(f"{name:<26}{median:>10.2f}{p95:>10.2f}{worst:>10.2f}{missed:>8}   {spread}")
    ours, base = overall["klonkel-press"], overall["QMediaPlayer (ffmpeg)"]
    print(f"ratio klonkel/baseline: median {ours[0] / base[0]:.2f}, p95 {ours[1] / base[1]:.2f}")
    # PipeWire starts a stream on its graph's next cycle; PulseAudio's sink starts it at once.
    goal = (8.0, 12.0) if "PipeWire" in server else (0.8, 2.1)
    met = ours[0] <= goal[0] and ours[1] <= goal[1]
    print(f"goal: median <= {goal[0]:g} ms, p95 <= {goal[1]:g} ms: {'pass' if met else 'FAIL'}")


if __name__ == "__main__":
    main()
