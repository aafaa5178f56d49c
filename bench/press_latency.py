#!/usr/bin/env python3
"""Press-to-sound latency, measured from outside.

Writes one line at a time to a press program's standard input and finds the first sample of
the clip on the default sink's monitor. Monitor samples are put on the wall clock by their
arrival times: the earliest arrival of each sample bounds when the sink produced it.
Compares klonkel-press with a QMediaPlayer baseline in the same run.

    press_latency.py BUILD_DIR [--presses N]
"""
import argparse
import os
import statistics
import struct
import subprocess
import sys
import threading
import time

RATE = 48000
THRESHOLD = 300  # of 32768; the clips start loud, the idle sink is exact zero


class Monitor:
    def __init__(self):
        self.proc = subprocess.Popen(
            ["parec", "--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le",
             f"--rate={RATE}", "--channels=1", "--latency-msec=2"],
            stdout=subprocess.PIPE)
        self.samples = bytearray()
        self.arrivals = []  # (monotonic time, samples received so far)
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 8192)
            now = time.monotonic()
            if not data:
                return
            with self.lock:
                self.samples += data
                self.arrivals.append((now, len(self.samples) // 2))

    def count(self):
        with self.lock:
            return len(self.samples) // 2

    def wait_for_flow(self, seconds):
        start = self.count()
        deadline = time.monotonic() + 10
        while self.count() - start < seconds * RATE:
            if time.monotonic() > deadline:
                sys.exit("no data from the sink monitor: is a sound server running?")
            time.sleep(0.01)

    def onset_after(self, index):
        with self.lock:
            data = bytes(self.samples[index * 2:])
        values = struct.unpack(f"<{len(data) // 2}h", data)
        for offset, value in enumerate(values):
            if abs(value) > THRESHOLD:
                return index + offset
        return None

    def silent_tail(self, seconds):
        with self.lock:
            data = bytes(self.samples[-int(seconds * RATE) * 2:])
        return len(data) >= int(seconds * RATE) * 2 and max(
            abs(v) for v in struct.unpack(f"<{len(data) // 2}h", data)) <= THRESHOLD

    def time_of(self, sample, around):
        """Wall-clock time the sink produced `sample`, from arrivals within 2 s of `around`."""
        with self.lock:
            near = [(t, n) for t, n in self.arrivals if abs(t - around) < 2.0]
        offset = min(t - n / RATE for t, n in near)
        return offset + sample / RATE

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def measure(command, presses, monitor):
    proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    time.sleep(1.5)  # start-up and the read-ahead of the first clip
    latencies = []
    for _ in range(presses):
        deadline = time.monotonic() + 8
        while not monitor.silent_tail(0.15) and time.monotonic() < deadline:
            time.sleep(0.02)
        time.sleep(0.05 + 0.05 * (len(latencies) % 3))  # vary the phase against the sink
        mark = monitor.count()
        pressed = time.monotonic()
        os.write(proc.stdin.fileno(), b"\n")
        onset = None
        while onset is None and time.monotonic() - pressed < 2:
            time.sleep(0.02)
            onset = monitor.onset_after(max(mark - RATE // 10, 0))
        if onset is None:
            latencies.append(float("nan"))
            continue
        time.sleep(0.3)  # let arrivals after the onset come in
        latencies.append((monitor.time_of(onset, pressed) - pressed) * 1000)
    proc.stdin.close()
    proc.wait(timeout=10)
    return latencies


def summary(values):
    ok = sorted(v for v in values if v == v)
    if not ok:
        return float("nan"), float("nan"), len(values)
    p95 = ok[min(len(ok) - 1, int(round(0.95 * (len(ok) - 1))))]
    return statistics.median(ok), p95, len(values) - len(ok)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--presses", type=int, default=50)
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    resources = os.path.join(build, "resources")

    monitor = Monitor()
    monitor.wait_for_flow(0.5)
    runs = {
        "klonkel-press": [os.path.join(build, "klonkel-press"), resources],
        "QMediaPlayer (ffmpeg)": ["env", "QT_MEDIA_BACKEND=ffmpeg",
                                  os.path.join(build, "mediaplayer-press"), resources],
    }
    results = {name: measure(cmd, args.presses, monitor) for name, cmd in runs.items()}
    monitor.stop()

    print(f"\npress to first sample at the sink, {args.presses} presses each")
    print(f"{'program':<24}{'median ms':>10}{'p95 ms':>10}{'max ms':>10}{'missed':>8}")
    for name, values in results.items():
        median, p95, missed = summary(values)
        worst = max((v for v in values if v == v), default=float("nan"))
        print(f"{name:<24}{median:>10.2f}{p95:>10.2f}{worst:>10.2f}{missed:>8}")
    ours, base = (summary(v) for v in results.values())
    print(f"ratio klonkel/baseline: median {ours[0] / base[0]:.2f}, p95 {ours[1] / base[1]:.2f}")


if __name__ == "__main__":
    main()
