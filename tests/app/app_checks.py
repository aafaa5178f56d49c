#!/usr/bin/env python3
"""Checks a copy of the program (built or installed) as users meet it: real input, what the sink
played, what the screen shows, stdout byte for byte, stderr, exit status. Inside tools/with-session.sh:
    app_checks.py PROGRAM [end-to-end | first-run] [playback] [robustness] [wayland]   (no group: all)"""
import glob, json, os, re, select, shutil, signal, struct, subprocess, sys, tempfile, threading, time

APPEARED, DISAPPEARED = b"ContentView appeared!\n", b"ContentView disappeared!\n"
TITLE = (130, 38, 370, 82)  # the title's box in points, clear of the button
# The window's controls' boxes in points (24 wide, 8 from the edges, 6 apart), on the right.
CONTROLS = {"minimize": (438, 8, 462, 32), "close": (468, 8, 492, 32)}
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools/sound-server.sh")
ENGLISH = {"LANG": "en_GB.UTF-8", "LANGUAGE": None, "LC_ALL": None, "LC_MESSAGES": None}
# Each launch runs on its own unless a check gives it a session bus: on a desktop, a copy that
# finds another on the session's bus would only bring that one forward. The window's controls are
# on the right, as by default, whatever the desktop running the checks prefers.
ALONE = {"DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/klonkel-no-session-bus",
         "GSETTINGS_BACKEND": "memory", "XDG_CURRENT_DESKTOP": None}
failures, case = [], ""


def check(ok, what):
    if not ok:
        failures.append(f"{case}: {what}")
    return ok


def poll(probe, seconds, step=0.05):
    """probe()'s first true value before the deadline, else None."""
    deadline = time.monotonic() + seconds
    while not (value := probe()) and time.monotonic() < deadline:
        time.sleep(step)
    return value or None


press = lambda n: b"button Tapped\n%d\n264\n" % n  # noqa: E731 (a press at position n)


class Sink:
    """Records the default sink's monitor as 48 kHz mono (or a monitor's every channel, `layout` as
    parec takes a channel map); mark() counts the samples so far, now() is the sample the sink plays at this
    moment."""

    def __init__(self, env=None, device="@DEFAULT_MONITOR@", layout=None):
        self.raw = bytearray()
        self.arrived = (time.monotonic(), 0)
        channels = [f"--channel-map={layout}", f"--channels={layout.count(',') + 1}"] if layout else ["--channels=1"]
        self.parec = subprocess.Popen(["parec", f"--device={device}", "--raw", *channels,
                                       "--format=s16le", "--rate=48000", "--latency-msec=5"],
                                      stdout=subprocess.PIPE, env=env)
        threading.Thread(target=self._read, daemon=True).start()
        check(poll(lambda: self.mark() > 4800, 5), "the sink's monitor never flowed")

    def _read(self):
        for chunk in iter(lambda: os.read(self.parec.stdout.fileno(), 4096), b""):
            self.raw += chunk
            self.arrived = (time.monotonic(), len(self.raw) // 2)

    def mark(self):
        return len(self.raw) // 2

    def now(self):
        """An idle null sink hands its monitor's samples over in blocks of up to 2 s, so the count
        so far can lag the sink by that much: the last block ended as it arrived."""
        at, count = self.arrived
        return count + int((time.monotonic() - at) * 48000)

    def samples(self, start=0, end=None):
        end = self.mark() if end is None else min(end, self.mark())
        return struct.unpack(f"<{end - start}h", bytes(self.raw[2 * start: 2 * end]))

    def quiet(self):
        """Waits until the last 0.1 s played nothing: no clip from before can be mistaken."""
        return poll(lambda: not any(self.samples(self.mark() - 4800)), 10)

    def onset_after(self, mark, seconds=1.0):
        """Seconds from mark to the first sound within `seconds`, or None."""
        poll(lambda: self.mark() > mark + seconds * 48000, seconds + 4)
        loud = [i for i, v in enumerate(self.samples(mark, mark + int(seconds * 48000))) if abs(v) > 600]
        return loud[0] / 48000 if loud else None

    def stop(self):
        self.parec.terminate()
        self.parec.wait(5)


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
        up = lambda: "klonkel_null" in subprocess.run(["pactl", "info"], env=self.env, capture_output=True,  # noqa: E731
                                                      text=True).stdout
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


class App:
    """One launch of the program, its output kept in files, its window found by process id."""

    def __init__(self, program, env={}, stdout=None, as_nobody=False, **popen):
        self.out, self.err = tempfile.TemporaryFile(), tempfile.TemporaryFile()
        env = {k: v for k, v in {**os.environ, "QT_QPA_PLATFORM": "xcb", **ENGLISH, **ALONE, **env}.items() if v}
        nobody = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if as_nobody else []
        self.proc = subprocess.Popen(nobody + [program], stdout=stdout or self.out, stderr=self.err,
                                     env=env, **popen)
        self.window = None
        if env["QT_QPA_PLATFORM"] == "xcb":  # a Wayland window has no X id
            self.window = poll(lambda: self.run("xdotool", "search", "--onlyvisible", "--pid",
                                                str(self.proc.pid)).split()[:1], 15, 0.1)
            self.window = check(self.window, "no window appeared") and self.window[0]

    def run(self, *command):
        if None in command:  # no window to work on: already reported
            return ""
        return subprocess.run(list(map(str, command)), capture_output=True, text=True).stdout

    def streams(self, env=None):
        """This copy's streams on the sound server, as pactl lists them."""
        listed = subprocess.run(["pactl", "-f", "json", "list", "sink-inputs"], capture_output=True,
                                text=True, env=env).stdout
        return [s for s in json.loads(listed or "[]")
                if s["properties"].get("application.process.id") == str(self.proc.pid)]

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

    def hold(self, factor=1):
        """The look with the button held down (xdotool moves in device pixels)."""
        self.run("xdotool", "mousemove", "--window", self.window, round(250 * factor), round(180 * factor),
                 "mousedown", 1)
        return self.settled()

    def click(self, times=1, delay_ms=100, x=250, y=180):  # the button's centre
        self.run("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click",
                 "--repeat", str(times), "--delay", str(delay_ms), "1")

    def output(self):
        return os.pread(self.out.fileno(), 1 << 24, 0)

    def wait_for(self, text, seconds=10):
        return check(poll(lambda: text in self.output(), seconds), f"no {text!r} in {self.output()[-200:]!r}")

    def finish(self, how=None):
        """Ends it (Ctrl+W unless a signal is given); its exit status, stdout and stderr."""
        if self.proc.poll() is None and how:
            self.proc.send_signal(how)
        elif self.proc.poll() is None:  # typed, not sent: a sent key release may find no window
            self.run("xdotool", "windowfocus", "--sync", self.window, "key", "ctrl+w")
        try:
            status = self.proc.wait(20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            status = "hung"
        self.err.seek(0)
        return status, self.output(), self.err.read().decode(errors="replace")


def title_pixels(grab, test, factor=1):
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in TITLE)
    return sum(test(rgb[i: i + 3]) for y in range(y0, y1) for i in range(3 * (w * y + x0), 3 * (w * y + x1), 3)
               if rgb)


blue = lambda p: p[2] > 150 and p[0] < 90 and p[1] < 90  # noqa: E731
white = lambda p: min(p) > 230  # noqa: E731


def steepness(grab, factor):
    """How sharp the title is: its steepest steps between neighbours, against its contrast."""
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in TITLE)
    rows = [[rgb[3 * (w * y + x) + 2] - rgb[3 * (w * y + x)] for x in range(x0, x1)] for y in range(y0, y1)]
    steps = sorted((abs(b - a) for row in rows for a, b in zip(row, row[1:])), reverse=True)
    top = steps[: max(1, len(steps) // 50)]
    return sum(top) / len(top) / max(1, *map(max, rows))


def edge_sharpness(grab, box, factor):
    """How sharp a thin glyph in box is: its steepest steps between neighbours across and down (as
    many as its edges have pixels, which grow with the factor), against its contrast, in green."""
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in box)
    rows = [[rgb[3 * (w * y + x) + 1] for x in range(x0, x1)] for y in range(y0, y1)] if rgb else [[0]]
    steps = sorted((abs(b - a) for lines in (rows, list(zip(*rows))) for line in lines
                    for a, b in zip(line, line[1:])), reverse=True)
    top = steps[: round(12 * factor)] or [0]
    return sum(top) / len(top) / max(1, max(map(max, rows)) - min(map(min, rows)))


def enlarged(grab, box, factor):
    """What box of a factor-1 grab looks like enlarged to factor (bilinear), as a grab of its own
    in which box lies where it would at that factor."""
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in box)
    out = bytearray(3 * x1 * y1)
    at = lambda x, y, k: rgb[3 * (w * y + x) + k]  # noqa: E731
    for y in range(y0, y1):
        fy = (y + 0.5) / factor - 0.5
        iy, ty = int(fy), fy - int(fy)
        for x in range(x0, x1):
            fx = (x + 0.5) / factor - 0.5
            ix, tx = int(fx), fx - int(fx)
            for k in range(3):
                top = at(ix, iy, k) * (1 - tx) + at(ix + 1, iy, k) * tx
                bottom = at(ix, iy + 1, k) * (1 - tx) + at(ix + 1, iy + 1, k) * tx
                out[3 * (x1 * y + x) + k] = round(top * (1 - ty) + bottom * ty)
    return x1, y1, bytes(out)


def striking(grab, box, factor=1):
    """Pixels of the box that stand out from the backdrop at its corner: the control's own."""
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in box)
    base = rgb[3 * (w * y0 + x0):][:3]
    return sum(max(abs(rgb[3 * (w * y + x) + k] - base[k]) for k in range(3)) > 40
               for y in range(y0, y1) for x in range(x0, x1)) if rgb else 0


def check_rim(grab, factor, look):
    """The button's 4-point rim is as thick where the circle meets its frame (top, bottom) as at the
    sides. On each ray from the centre a pixel counts by how far its blue has gone from the fill's and
    the backdrop's towards the rim's: a half-covered one counts a half, whatever the fill's look."""
    w, h, rgb = grab
    whole = (w, h) == (round(500 * factor), round(300 * factor)) and len(rgb) == 3 * w * h
    cx, cy, widths = round(250 * factor), round(180 * factor), []
    for dx, dy in ((0, -1), (0, 1), (-1, 0), (1, 0)) if whole else ():
        ray = [rgb[3 * (w * (cy + dy * r) + cx + dx * r):][:3]
               for r in range(round(69 * factor), round(82 * factor))]
        steps = lambda p: (abs(p[2] - ray[0][2]), abs(p[2] - p[0] - ray[-1][2] + ray[-1][0]))  # noqa: E731
        rim = [max(1, s) for s in steps(max(ray, key=lambda p: min(steps(p))))]
        widths.append(round(sum(min(1, steps(p)[0] / rim[0], steps(p)[1] / rim[1]) for p in ray), 1))
    check(whole and max(widths) - min(widths) <= 1 and all(abs(v - 4 * factor) <= 1 for v in widths),
          f"{look}, the rim is {widths} px thick at top, bottom, left, right, not {4 * factor:g}")


def layout(program):
    """Where this copy's resources are: beside it, or installed."""
    here = os.path.dirname(program)
    return next((os.path.normpath(p) for p in (f"{here}/resources", f"{here}/../share/klonkel/resources")
                 if os.path.exists(p)), None)


def playlist_names(line, resources):
    """The names of a playlist line, checked for format and against the shipped clips."""
    names = re.findall(rb'"([^"]*)"', line)
    check(line == b"[" + b", ".join(b'"%s"' % n for n in names) + b"]\n", f"playlist line {line[:80]!r}")
    shipped = {f[:-4] for f in os.listdir(os.fsencode(resources)) if f.endswith(b".m4a")}
    check(len(names) == 264 and set(names) == shipped, f"{len(set(names))} names of 264, "
          f"{len(shipped ^ set(names))} unlike the shipped clips' names")
    check(b"k\xc3\xb6nig" in names, "no k\u00f6nig with a precomposed \u00f6")
    return names


def loud_seconds(samples, threshold):
    """From the first to the last sample above threshold, in seconds at 48 kHz."""
    loud = [i for i, v in enumerate(samples) if abs(v) > threshold]
    return (loud[-1] - loud[0]) / 48000 if loud else 0.0


def clip_loud_seconds(path):
    """loud_seconds() of a clip file itself, to set against the sink's at 600. The sink hears a
    mono clip spread over two channels and mixed back down, at 0.707 of its level: the file's
    threshold is raised to match."""
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", "48000", "-"],
                         capture_output=True, check=True).stdout
    return loud_seconds(struct.unpack(f"<{len(pcm) // 2}h", pcm), 850)


def first_run(program):
    """One launch, two presses, the window closed: the whole of a run; its playlist and its
    resting window, for the launches that follow to compare with."""
    global case
    case = "window, lines, sound"
    resources = layout(program)
    sink = Sink()
    app = App(program)
    check(app.xprop("_MOTIF_WM_HINTS").split(", ")[2:3] == ["0x0"], "the window asks for a frame")
    check(app.xprop("_NET_WM_NAME") == '"Klonkel"', "window title " + app.xprop("_NET_WM_NAME"))
    check(app.xprop("WM_CLASS").endswith('"Klonkel"'), "the window class does not match the launcher")
    icons = app.xprop("_NET_WM_ICON")  # drawn in characters, blank where transparent
    rows = [row.strip("\t") for row in icons.split("\n")[1:17]]  # the 16-pixel icon
    check(all(f"Icon ({s} x {s})" in icons for s in (16, 24, 32, 48, 64, 128))
          and rows[0][0] == " " and rows[7][0] != " ", "the window's icons are missing or blank")
    resting = app.settled()
    check(resting[:2] == (500, 300), f"window is {resting[:2]}")
    check(title_pixels(resting, blue) > 300 and not title_pixels(resting, white), "the title is not blue")
    first = sink.now()
    app.click()
    latency = sink.onset_after(first)
    check(latency is not None, "the first press did not sound")
    check(not any(sink.samples(0, first)), "sound before any press")
    check(title_pixels(app.settled(), white) > 100 and not title_pixels(app.grab(), blue),
          "the title did not turn white on the first press")
    sink.quiet()
    check_rim(resting, 1, "resting")
    check_rim(app.hold(), 1, "held")
    second = sink.now()
    app.run("xdotool", "mouseup", "1")
    check(sink.onset_after(second) is not None, "the second press did not sound")
    check(title_pixels(app.grab(), white) > 100, "the title did not stay white")
    app.wait_for(press(1))
    status, out, err = app.finish()  # while the second clip may still sound
    sink.stop()
    playlist = out[len(APPEARED): out.find(b"]\n") + 2]
    names = playlist_names(playlist, resources)
    check(out == APPEARED + playlist + press(0) + press(1) + DISAPPEARED, f"output {out[-120:]!r}")
    check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")
    print(f"the first press sounded after {latency} s")
    return names, resting


def end_to_end(program):
    global case
    names, resting = first_run(program)
    resources = layout(program)

    case = "German"  # as Austrians get it: the language's translation serves every country
    app = App(program, {"LANG": "de_AT.UTF-8"})
    grab = app.settled()
    check(title_pixels(grab, blue) > 300 and grab[2] != resting[2], "the title is not translated")
    status, out, err = app.finish()
    check(out.startswith(APPEARED) and out.endswith(b"]\n" + DISAPPEARED), f"output {out!r:.80}")
    check(playlist_names(out[len(APPEARED): -len(DISAPPEARED)], resources) != names,
          "the same order in two runs: the shuffle is not random")
    check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")

    # At each factor: the size in device pixels, the same screen, and a title drawn at device
    # resolution, as steep as at factor 1, not an enlarged factor-1 picture.
    for factor in (1.5, 2):
        case = f"scale factor {factor}"
        app = App(program, {"QT_SCALE_FACTOR": str(factor)})
        grab, held = app.settled(), app.hold(factor)
        app.run("xdotool", "mouseup", "1")
        status, _, err = app.finish()
        check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")
        if not check(grab[:2] == (round(500 * factor), round(300 * factor)), f"window is {grab[:2]}"):
            continue
        check_rim(grab, factor, "resting")
        check_rim(held, factor, "held")
        for x, y in ((5, 5), (495, 5), (5, 295), (495, 295)):
            i, j = 3 * (500 * y + x), 3 * (grab[0] * int(y * factor) + int(x * factor))
            check(max(abs(p - q) for p, q in zip(resting[2][i: i + 3], grab[2][j: j + 3])) <= 12,
                  f"the backdrop at ({x}, {y}) differs from factor 1")
        ratio = title_pixels(grab, blue, factor) / max(1, title_pixels(resting, blue)) / factor ** 2
        check(0.75 < ratio < 1.33, f"the title covers {ratio:.2f} of its factor-1 area, scaled")
        sharp, base = steepness(grab, factor), steepness(resting, 1)
        check(sharp > 0.8 * base, f"the title is blurred: steepness {sharp:.2f}, {base:.2f} at factor 1")
        # The window's controls: in place, drawn at device resolution like the title.
        for kind, box in CONTROLS.items():
            ratio = striking(grab, box, factor) / max(1, striking(resting, box)) / factor ** 2
            check(0.6 < ratio < 1.6, f"the {kind} control covers {ratio:.2f} of its factor-1 area, scaled")
            sharp = edge_sharpness(grab, box, factor)
            blurred = edge_sharpness(enlarged(resting, box, factor), box, factor)
            check(sharp > 1.15 * blurred, f"the {kind} control is blurred: steepness {sharp:.2f}, "
                  f"{blurred:.2f} for the factor-1 picture enlarged")


def playback(program):
    global case
    case = "two whole passes"
    resources = layout(program)
    sink = Sink()
    app = App(program)
    app.settled()
    app.click(264, 30)
    app.wait_for(press(263), 60)
    # A busy server may still be setting up and ending the burst's streams: what is timed here is
    # the rewinding press, once the server has caught up, not the server's backlog.
    poll(lambda: len(app.streams()) <= 1, 30, 0.2)
    sink.quiet()
    last = sink.now()
    app.click(2)
    app.wait_for(b"]\n" + press(1))
    check(sink.onset_after(last) is not None, "the rewinding press did not sound")
    status, out, err = app.finish()
    sink.stop()
    first = out[len(APPEARED): out.find(b"]\n") + 2]
    second = out[out.find(press(264)) + len(press(264)):][: len(first)]
    presses = b"".join(map(press, range(265)))
    check(out == APPEARED + first + presses + second + press(1) + DISAPPEARED,
          f"output around the rewind {out[len(first) + 5000:][:200]!r}")
    check(sorted(playlist_names(first, resources)) == sorted(playlist_names(second, resources))
          and first != second, "the second pass is not a new order of the same clips")
    check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")

    # No sound server at start, then one that comes, and dies while a clip plays, and comes back:
    # every press counts, none fails, and the sound comes back with the server at once.
    case = "sound server late and restarted"
    with tempfile.TemporaryDirectory(prefix="klonkel-late-") as runtime:
        app = App(program, {"XDG_RUNTIME_DIR": runtime, "PULSE_RUNTIME_PATH": runtime + "/pulse"})
        app.settled()
        app.click()
        presses = 1
        server = PrivateSoundServer(runtime)
        for when in ("came", "came back"):
            server.start()
            sink = Sink(server.env)
            # The next clip was read ahead, and on the way back also handed to the server that
            # died: the very first press must still sound, from the clip's start.
            mark, presses = sink.now(), presses + 1
            app.click()
            check(sink.onset_after(mark, 0.8) is not None, f"the first press once the server {when} was silent")
            if when == "came back":
                # ... and played the whole clip: none of it went to the server that died.
                resources = layout(program)
                names = playlist_names(app.output().splitlines(keepends=True)[1], resources)
                position = int(re.findall(rb"button Tapped\n(\d+)\n", app.output())[-1])
                name = names[position].decode()
                sink.quiet()
                heard, clip = loud_seconds(sink.samples(mark), 600), clip_loud_seconds(f"{resources}/{name}.m4a")
                check(heard > clip - 0.03, f"{name} lasted {heard:.3f} s at the sink, {clip:.3f} s in its file")
            sink.stop()
            server.kill()
        status, out, _ = app.finish()
        check(out.count(b"button Tapped\n") == presses and b"error" not in out, f"output {out[-80:]!r}")
        check(status == 0, f"exit status {status}")


def copy_without(program, root, missing):
    """A copy of the program in its own layout under root/missing, less the missing piece."""
    resources = layout(program)
    base = os.path.commonpath([program, resources])
    place = lambda path: os.path.join(root, missing, os.path.relpath(path, base))  # noqa: E731
    os.makedirs(os.path.dirname(place(program)), exist_ok=True)
    shutil.copy(program, place(program))
    if missing != "resources":
        os.makedirs(place(resources))
        for name in os.listdir(resources):
            if name != "Pellmor.png" or missing != "picture":
                os.symlink(os.path.join(resources, name), os.path.join(place(resources), name))
    return place(program), place(resources)


def robustness(program):
    global case
    with tempfile.TemporaryDirectory(prefix="klonkel-robust-") as root:
        # Something missing: it starts all the same, says what in one line, and closes by a
        # signal (Ctrl+C in a terminal, a service manager's stop) as by the window.
        for missing, how, wanted in (("picture", signal.SIGINT, "Pellmor"),
                                     ("resources", None, "resources folder")):
            case = f"missing {missing}, closed by {how.name if how else 'the window'}"
            copy, _ = copy_without(program, root, missing)
            app = App(copy)
            app.settled()
            app.click()
            app.wait_for(press(0))
            status, out, err = app.finish(how)
            check(out.startswith(APPEARED) and out.endswith(press(0) + DISAPPEARED), f"output {out[-80:]!r}")
            check(status == 0, f"exit status {status}")
            check(len(err.splitlines()) == 1 and wanted in err and root in err, f"stderr {err!r}")

        # Clips it may not read write "error". Run as nobody where tests run as root, who reads all.
        case = "unreadable clips"
        copy, clips = copy_without(program, root, "resources")
        os.makedirs(clips)
        locked = os.path.join(root, "locked.m4a")
        shutil.copy(os.path.join(layout(program), "Fett.m4a"), locked)
        os.chmod(locked, 0o200)
        for name in os.listdir(layout(program)):
            os.symlink(locked if name.endswith(".m4a") else os.path.join(layout(program), name),
                       os.path.join(clips, name))
        for folder, _, _ in os.walk(root):
            os.chmod(folder, 0o755)
        app = App(copy, {"XDG_RUNTIME_DIR": None, "HOME": root}, as_nobody=os.geteuid() == 0)
        app.settled()
        app.click(2, 600)
        app.wait_for(press(1) + b"error\n")
        status, out, _ = app.finish()
        check(out.endswith(press(0) + b"error\n" + press(1) + b"error\n" + DISAPPEARED), f"output {out[-80:]!r}")
        check(status == 0, f"exit status {status}")

    # Standard output closed before start: writes fail, presses still play, nothing dies.
    case = "stdout closed"
    app = App(program, stdout=subprocess.DEVNULL, preexec_fn=lambda: os.close(1))
    app.settled()
    app.click()
    check(not poll(app.proc.poll, 1), "ended early")
    check(app.finish(signal.SIGTERM)[0] == 0, "exit status not 0")

    # A reader that goes away after one line (as `klonkel | head -1`): no death by SIGPIPE. The
    # line arrives while the program runs, not held back in a buffer.
    case = "broken pipe"
    app = App(program, stdout=subprocess.PIPE)
    ready = select.select([app.proc.stdout], [], [], 10)[0]
    check(ready and app.proc.stdout.readline() == APPEARED, "no first line while it runs")
    app.proc.stdout.close()
    app.click(2, 600)
    check(not poll(app.proc.poll, 1), "killed by the closed pipe")
    check(app.finish(signal.SIGTERM)[0] == 0, "exit status not 0")


def screen(runtime, env):
    """weston's whole 1024 x 768 output, from its screenshooter (which --debug allows)."""
    for old in glob.glob(f"{runtime}/wayland-screenshot*"):
        os.remove(old)
    subprocess.run(["weston-screenshooter"], cwd=runtime, env=env, capture_output=True, timeout=10)
    png = glob.glob(f"{runtime}/wayland-screenshot*.png")
    return 1024, 768, png and subprocess.run(["ffmpeg", "-loglevel", "error", "-i", png[0], "-f",
                                              "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True).stdout


def window_at(grab):
    """The top left of a 500 x 300 window: the rows and columns its dark backdrop fills (weston's
    own background is lighter, its panel above y 32); None if there is none."""
    w, h, rgb = grab
    dark = [[max(rgb[i: i + 3]) < 115 for i in range(3 * w * y, 3 * w * (y + 1), 3)]
            for y in range(32, h * bool(rgb))]
    rows = [y for y, row in enumerate(dark) if sum(row) >= 250]
    columns = [x for x in range(w) if sum(dark[y][x] for y in rows) >= 150]
    return (columns[0], rows[0] + 32) if (len(rows), len(columns)) == (300, 500) else None


def wayland(program):
    """A Wayland client of a private weston: headless (no input devices, as on a build machine),
    then nested in the session's X server, whose keyboard and pointer xdotool drives."""
    global case
    with tempfile.TemporaryDirectory(prefix="klonkel-wayland-") as runtime:
        for backend in ("headless", "x11"):
            case = f"weston, {backend}"
            env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=backend)
            weston = subprocess.Popen(["weston", f"--backend={backend}-backend.so", "--use-pixman", "--debug",
                                       "--width=1024", "--height=768", f"--socket={backend}", "--idle-time=0"],
                                      env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            poll(lambda: os.path.exists(f"{runtime}/{backend}"), 15)
            app = App(program, {**env, "QT_QPA_PLATFORM": "wayland"})
            app.wait_for(b"]\n")
            origin = check(poll(lambda: window_at(screen(runtime, env)), 15, 0.5), "no window drawn")
            if origin and backend == "x11":
                x, y = origin
                # The nested output is an X window at the screen's top left; it follows the pointer
                # once the pointer has entered it, so the pointer comes in from outside.
                app.run("xdotool", "mousemove", 1100, 780, "sleep", 0.2, "mousemove", x + 250, y + 180,
                        "sleep", 0.3, "key", "space")
                app.wait_for(press(0))
                # A drag on the backdrop, clear of the title and the button, by (120, 80).
                steps = [a for s in range(1, 11)
                         for a in ("mousemove", x + 20 + 12 * s, y + 20 + 8 * s, "sleep", 0.05)]
                app.run("xdotool", "mousemove", x + 20, y + 20, "mousedown", 1, *steps, "mouseup", 1)
                check(poll(lambda: window_at(screen(runtime, env)) == (x + 120, y + 80), 10, 0.5),
                      f"the window at {origin} did not follow a drag by (120, 80)")
                # The window's own close control, at its top right, where the drag took it.
                app.run("xdotool", "mousemove", x + 120 + 480, y + 80 + 20, "sleep", 0.2, "click", 1)
                check(poll(lambda: app.proc.poll() is not None, 10), "the close control did not close it")
            status, out, err = app.finish(signal.SIGTERM)
            check(status == 0 and err == "" and out.startswith(APPEARED) and out.endswith(DISAPPEARED),
                  f"exit status {status}, output {out[-80:]!r}, stderr {err[-300:]!r}")
            weston.terminate()
            weston.wait(10)


def report(*what):
    """Says every failure, then PASS or how many failed, and ends with the matching status."""
    for failure in failures:
        print("FAIL:", failure)
    print("PASS" if not failures else f"{len(failures)} failed:", *what)
    sys.exit(1 if failures else 0)


def main():
    program, groups = os.path.abspath(sys.argv[1]), sys.argv[2:]
    every = {"end-to-end": end_to_end, "playback": playback, "robustness": robustness, "wayland": wayland}
    # first-run: end-to-end's first launch alone, for builds too slow for the rest.
    groups_run = {**every, "first-run": first_run}
    for group in groups or every:
        groups_run[group](program)
    report(*(groups or ["all"]))


if __name__ == "__main__":
    main()
