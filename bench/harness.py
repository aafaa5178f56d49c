"""Drives a program from outside, for the tests and the benchmarks alike: the program under test
(its output as it comes, its window), the sink's monitor, the press and playlist lines, a private
session bus and sound server, the server's stream list, and pass/fail reporting. Plain standard
library only: the screen reader's checks import it into the distribution's own Python."""
import array, json, math, os, re, signal, subprocess, sys, threading, time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
RATE = 48000
APPEARED, DISAPPEARED = b"ContentView appeared!\n", b"ContentView disappeared!\n"
CLIPS = 264
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../tools/sound-server.sh")
NO_BUS = "unix:path=/nonexistent/klonkel-no-session-bus"
ENGLISH = {"LANG": "en_GB.UTF-8", "LANGUAGE": None, "LC_ALL": None, "LC_MESSAGES": None}
# Each launch runs on its own unless it is given a session bus: on a desktop, a copy that finds
# another on the session's bus would only bring that one forward. The window's controls are on
# the right, as by default, whatever the desktop running it prefers.
ALONE = {"DBUS_SESSION_BUS_ADDRESS": NO_BUS, "GSETTINGS_BACKEND": "memory", "XDG_CURRENT_DESKTOP": None}

failures, case = [], ""


def check(ok, what):
    if not ok:
        failures.append(f"{case}: {what}")
    return ok


def report(*what):
    """Says every failure, then PASS or how many failed, and ends with the matching status."""
    for failure in failures:
        print("FAIL:", failure)
    print("PASS" if not failures else f"{len(failures)} failed:", *what)
    sys.exit(1 if failures else 0)


def poll(probe, seconds, step=0.05):
    """probe()'s first true value before the deadline, else None."""
    deadline = time.monotonic() + seconds
    while not (value := probe()) and time.monotonic() < deadline:
        time.sleep(step)
    return value or None


def press(n):
    """The lines of a press that plays the clip at position n."""
    return b"button Tapped\n%d\n264\n" % n


PLAYLIST = rb'(\["[^"\n]*"(?:, "[^"\n]*")*\]\n)'


def playlists(out, presses, head=b"", tail=b""):
    """The playlist lines if out is exactly head, the lines of so many presses from the start
    (the first plays position 0; after 264 a playlist line, and on from 1) and tail; else None."""
    pattern, n = [re.escape(head)], 0
    for k in range(presses):
        n = 0 if k == 0 else n % CLIPS + 1
        pattern += [re.escape(press(n))] + [PLAYLIST] * (n == CLIPS)
    found = re.fullmatch(b"".join(pattern + [re.escape(tail)]), out)
    return found and found.groups()


def names(line):
    return re.findall(rb'"([^"]*)"', line)


class Output:
    """A pipe read as it comes: its bytes, and each whole line with when it arrived."""

    def __init__(self, pipe):
        self.raw, self.lines, self.rest = bytearray(), [], b""
        self.thread = threading.Thread(target=self._read, args=(pipe,), daemon=True)
        self.thread.start()

    def _read(self, pipe):
        for chunk in iter(lambda: os.read(pipe.fileno(), 65536), b""):
            now = time.monotonic()
            self.raw += chunk
            *whole, self.rest = (self.rest + chunk).split(b"\n")
            self.lines += [(now, line.decode(errors="replace")) for line in whole]


class Program:
    """One launch: its stdout (unless given) and stderr gathered as they come, its X window found
    by process id (unless window=False or on Wayland); with stdin=PIPE, lines typed to it."""

    def __init__(self, argv, env={}, stdin=None, stdout=None, window=True, **popen):
        env = {k: v for k, v in {**os.environ, "QT_QPA_PLATFORM": "xcb", **ENGLISH, **ALONE, **env}.items() if v}
        self.started = time.monotonic()
        self.proc = subprocess.Popen([argv] if isinstance(argv, str) else list(argv), env=env,
                                     stdin=stdin, stdout=stdout or subprocess.PIPE, stderr=subprocess.PIPE, **popen)
        self.out = Output(self.proc.stdout) if stdout is None else None
        self.err = Output(self.proc.stderr)
        self.window = None
        if window and env["QT_QPA_PLATFORM"] == "xcb":  # a Wayland window has no X id
            found = poll(lambda: self.run("xdotool", "search", "--onlyvisible", "--pid",
                                          self.proc.pid).split()[:1], 15, 0.1)
            self.window = check(found, "no window appeared") and found[0]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()

    def run(self, *command):
        if None in command:  # no window to work on: already reported
            return ""
        return subprocess.run(list(map(str, command)), capture_output=True, text=True).stdout

    def output(self):
        return bytes(self.out.raw)

    def wait_for(self, text, seconds=10):
        return check(poll(lambda: text in self.output(), seconds), f"no {text!r} in {self.output()[-200:]!r}")

    def line_time(self, text, count=1, seconds=10.0):
        """When the count-th stdout line equal to text arrived; an error if it does not."""
        found = poll(lambda: [t for t, line in self.out.lines if line == text][count - 1:]
                     or self.proc.poll() is not None, seconds, 0.005)
        if not isinstance(found, list):
            raise RuntimeError(f"{self.proc.args[0]}: no line {text!r} #{count} (exit status {self.proc.poll()})")
        return found[0]

    def type(self, times=1, gap=0.0):
        """Presses by lines on stdin; False once the program has stopped reading."""
        for _ in range(times):
            try:
                os.write(self.proc.stdin.fileno(), b"\n")
            except BrokenPipeError:
                return False
            time.sleep(gap)
        return True

    def streams(self, env=None):
        return streams(env, self.proc.pid)

    def resident_mib(self):
        """Its resident set now, in MiB."""
        with open(f"/proc/{self.proc.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024
        raise RuntimeError("no VmRSS")

    def xprop(self, name):
        return self.run("xprop", "-id", self.window, name).split("=", 1)[-1].strip()

    def grab(self):
        """The window's pixels as (width, height, rgb bytes), as the X server shows them."""
        if not self.window:
            return 0, 0, b""
        w, h = (int(v) for v in re.findall(r"(?:Width|Height): (\d+)", self.run("xwininfo", "-id", self.window)))
        rgb = subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0",
                              "-window_id", self.window, "-i", os.environ["DISPLAY"], "-frames:v",
                              "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True)
        return w, h, rgb.stdout

    def settled(self):
        """A grab once two in a row agree: the button has grown in and nothing moves."""
        grabs = [None]

        def same():
            grabs.append(self.grab())
            return grabs[-1] if grabs[-1] == grabs[-2] and grabs[-1][2][:3] != b"\0\0\0" else None
        return (self.window and check(poll(same, 15, 0.2), "the window never settled")) or (0, 0, b"")

    def click(self, times=1, delay_ms=100, x=250, y=180):  # the button's centre
        self.run("xdotool", "mousemove", "--window", self.window, x, y, "click", "--repeat", times,
                 "--delay", delay_ms, "1")

    def finish(self, how=None):
        """Ends it (by the signal given, else by the end of its input if it reads lines, else by
        Ctrl+W); its exit status, stdout and stderr."""
        if self.proc.poll() is None and how:
            self.proc.send_signal(how)
        elif self.proc.stdin:
            self.proc.stdin.close()
        elif self.proc.poll() is None:  # typed, not sent: a sent key release may find no window
            self.run("xdotool", "windowfocus", "--sync", self.window, "key", "ctrl+w")
        try:
            status = self.proc.wait(60 if self.proc.stdin else 20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            status = "hung"
        for output in filter(None, (self.out, self.err)):
            output.thread.join(5)
        return status, self.out and self.output(), bytes(self.err.raw).decode(errors="replace")


class SessionBus:
    """A session bus of its own, as a desktop session has, for a check that needs one."""

    def __init__(self):
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env = {"DBUS_SESSION_BUS_ADDRESS": self.daemon.stdout.readline().strip()}

    def stop(self):
        self.daemon.terminate()
        self.daemon.wait(5)


def pactl(env, *args):
    """What pactl lists, as JSON (an empty list when the server is not there)."""
    listed = subprocess.run(["pactl", "-f", "json", *args], env=env, capture_output=True, text=True, timeout=10)
    return json.loads(listed.stdout) if listed.returncode == 0 and listed.stdout.strip() else []


def streams(env=None, pid=None):
    """The server's streams, or one process's."""
    return [s for s in pactl(env, "list", "sink-inputs")
            if pid is None or s["properties"].get("application.process.id") == str(pid)]


class PrivateSoundServer:
    """A server of the session's kind (tools/sound-server.sh) in its own runtime folder and process
    group, so it can be killed and started again; ready once its null sink is the default."""

    def __init__(self, runtime):
        self.runtime = runtime
        # Its clients never spawn a server of their own while it is down (see with-session.sh).
        with open(f"{runtime}/client.conf", "w") as conf:
            conf.write("autospawn = no\n")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, PULSE_RUNTIME_PATH=runtime + "/pulse",
                        PULSE_CLIENTCONFIG=runtime + "/client.conf")
        self.env.pop("PULSE_SERVER", None)
        self.daemon = None

    def start(self, tries=2):
        """A server that does not come up is the harness's trouble, not the program's: it is said
        on stderr and started once more; only a second failure fails the case."""
        self.daemon = subprocess.Popen([SERVER], env=self.env, start_new_session=True)
        up = lambda: "klonkel_null" in subprocess.run(["pactl", "info"], env=self.env,  # noqa: E731
                                                      capture_output=True, text=True).stdout
        # A server that has exited is not waited for.
        ready = poll(lambda: up() or self.daemon.poll() is not None, 20) and up()
        if not ready:
            print(f"{case}: the sound server did not come up (status {self.daemon.poll()}): {self.log()}",
                  file=sys.stderr)
            self.kill()
            if tries > 1:
                return self.start(tries - 1)
        return check(ready, "the sound server did not come up twice")

    def log(self):
        """The last lines the server logged: why it did not come up."""
        for name in ("pulse.log", "pipewire-pulse.log", "pipewire.log"):
            try:
                return open(f"{self.runtime}/{name}", errors="replace").read()[-1500:]
            except OSError:
                pass
        return "(no log)"

    def kill(self):
        """Ends the whole group; one that has died already (a server that never came up) is fine."""
        try:
            os.killpg(self.daemon.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.daemon.wait()


class Sink:
    """Records a sink's monitor (the default's) at 48 kHz, mono or with `layout`'s channels (a
    channel map as parec takes it). Samples are put on the wall clock by their arrivals: the
    earliest arrival of each bounds when the sink played it (data can come late, never early)."""

    def __init__(self, env=None, device="@DEFAULT_MONITOR@", layout=None, latency_ms=5):
        self.raw, self.arrivals = bytearray(), []
        channels = [f"--channel-map={layout}", f"--channels={layout.count(',') + 1}"] if layout else ["--channels=1"]
        self.parec = subprocess.Popen(["parec", f"--device={device}", "--raw", *channels, "--format=s16le",
                                       f"--rate={RATE}", f"--latency-msec={latency_ms}"],
                                      stdout=subprocess.PIPE, env=env)
        threading.Thread(target=self._read, daemon=True).start()
        self.flowed = check(poll(lambda: self.mark() > 4800, 5), "the sink's monitor never flowed")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def _read(self):
        for chunk in iter(lambda: os.read(self.parec.stdout.fileno(), 8192), b""):
            now = time.monotonic()
            self.raw += chunk
            self.arrivals.append((now, len(self.raw) // 2))

    def mark(self):
        """The samples so far."""
        return len(self.raw) // 2

    def now(self):
        """The sample the sink plays at this moment. An idle null sink hands its monitor's samples
        over in blocks of up to 2 s, so the count so far can lag by that much."""
        at, count = self.arrivals[-1] if self.arrivals else (time.monotonic(), 0)
        return count + int((time.monotonic() - at) * RATE)

    def time_of(self, sample, around):
        """When the sink played sample, from the arrivals within 2 s of `around`."""
        return min(t - n / RATE for t, n in self.arrivals if abs(t - around) < 2.0) + sample / RATE

    def samples(self, start=0, end=None):
        end = self.mark() if end is None else min(end, self.mark())  # whole samples only
        values = array.array("h")  # native order: little-endian on the machines this runs on
        values.frombytes(bytes(self.raw[2 * start: 2 * end]))
        return values

    def first_loud(self, start, end=None, threshold=600):
        """The first sample from start (to end) louder than threshold, or None."""
        return next((start + i for i, v in enumerate(self.samples(start, end)) if abs(v) > threshold), None)

    def onset_after(self, mark, seconds=1.0):
        """Seconds from mark to the first sound within `seconds` of it, or None."""
        poll(lambda: self.mark() > mark + seconds * RATE, seconds + 4)
        onset = self.first_loud(mark, mark + int(seconds * RATE))
        return None if onset is None else (onset - mark) / RATE

    def quiet(self, seconds=0.1, threshold=0, timeout=10):
        """Waits until the last `seconds` played nothing: no sound from before can be mistaken."""
        return poll(lambda: self.mark() >= seconds * RATE and
                    max(map(abs, self.samples(self.mark() - int(seconds * RATE)))) <= threshold, timeout, 0.02)

    def stop(self):
        if self.parec.poll() is None:
            self.parec.terminate()
        self.parec.wait(5)


def loud_span(samples, threshold):
    """From the first to the last sample louder than threshold, in samples (0 if none is)."""
    loud = [i for i, v in enumerate(samples) if abs(v) > threshold]
    return loud[-1] - loud[0] if loud else 0


def clip_samples(path):
    """A clip file's sound, decoded by another decoder, mono at the sink's rate."""
    values = array.array("h")
    values.frombytes(subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar",
                                     str(RATE), "-"], capture_output=True, check=True).stdout)
    return values


def latencies(sink, trigger, count, threshold=300, after=None):
    """Trigger to first sound, `count` times, each from silence: (when sent, the sink's mark
    then, the first loud sample or None, milliseconds or nan). trigger() returns when it sent,
    None if it could not; after(i) runs once the sound has been looked for."""
    found = []
    for i in range(count):
        sink.quiet(0.15, threshold, 8)
        time.sleep(0.05 + 0.05 * (i % 3))  # vary the phase against the sink's periods
        mark = sink.mark()
        sent = trigger()
        if sent is None:
            return found + [(math.nan, mark, None, math.nan)] * (count - i)
        onset = None
        while onset is None and time.monotonic() - sent < 2:
            time.sleep(0.02)
            onset = sink.first_loud(max(mark - RATE // 10, 0), threshold=threshold)
        if after:
            after(i)
        if onset is not None:
            time.sleep(0.3)  # let arrivals after the onset come in
        found.append((sent, mark, onset, math.nan if onset is None else (sink.time_of(onset, sent) - sent) * 1000))
    return found
