"""Records the default sink's monitor and puts its samples on the wall clock.

Monitor samples are put on the wall clock by their arrival times: the earliest arrival of each
sample bounds when the sink produced it (data can arrive late, never early). Shared by the
benchmarks that time something against the first sound at the sink.
"""
import array
import os
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

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

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

    def _values(self, first, last=None):
        values = array.array("h")  # native order: little-endian on the machines this runs on
        with self.lock:
            values.frombytes(self.samples[first * 2:None if last is None else last * 2])
        return values

    def onset_after(self, index):
        for offset, value in enumerate(self._values(index)):
            if abs(value) > THRESHOLD:
                return index + offset
        return None

    def last_loud(self, first, last=None):
        """The last sample from `first` up to `last` (exclusive) above the threshold, or None."""
        values = self._values(first, last)
        for offset in range(len(values) - 1, -1, -1):
            if abs(values[offset]) > THRESHOLD:
                return first + offset
        return None

    def silent_tail(self, seconds):
        values = self._values(max(self.count() - int(seconds * RATE), 0))
        return len(values) >= int(seconds * RATE) and max(map(abs, values)) <= THRESHOLD

    def wait_for_silence(self, seconds=0.15, timeout=8):
        deadline = time.monotonic() + timeout
        while not self.silent_tail(seconds) and time.monotonic() < deadline:
            time.sleep(0.02)

    def peaks(self, first, last, block):
        """Peak magnitude of each `block` samples from sample `first` to `last`."""
        values = self._values(first, last)
        return [max(map(abs, values[i:i + block]), default=0)
                for i in range(0, len(values), block)]

    def time_of(self, sample, around):
        """Wall-clock time the sink produced `sample`, from arrivals within 2 s of `around`."""
        with self.lock:
            near = [(t, n) for t, n in self.arrivals if abs(t - around) < 2.0]
        offset = min(t - n / RATE for t, n in near)
        return offset + sample / RATE

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()
