#!/usr/bin/env python3
"""Checks a copy of the program (built or installed) as users meet it: real input, what the sink
played, what the screen shows, stdout byte for byte, stderr, exit status. Inside tools/with-session.sh:
    app_checks.py PROGRAM [end-to-end | first-run] [robustness] [wayland]   (no group: all)"""
import glob, os, re, select, shutil, signal, subprocess, sys, tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../bench"))
import harness as h  # noqa: E402
from harness import APPEARED, DISAPPEARED, Program, Sink, check, poll, press  # noqa: E402
from look import (CONTROLS, TITLE, blue, changed_box, check_rim, edge_sharpness, enlarged, ink,  # noqa: E402
                  inside, steepness, striking, title_pixels, unlike, white)


def hold(app, factor=1):
    """The look with the button held down (xdotool moves in device pixels)."""
    app.run("xdotool", "mousemove", "--window", app.window, round(250 * factor), round(180 * factor), "mousedown", 1)
    return app.settled()


def layout(program):
    """Where this copy's resources are: beside it, or installed."""
    here = os.path.dirname(program)
    return next((os.path.normpath(p) for p in (f"{here}/resources", f"{here}/../share/klonkel/resources")
                 if os.path.exists(p)), None)


def playlist_names(line, resources):
    """The names of a playlist line, checked for format and against the shipped clips."""
    names, shipped = h.names(line), sorted(f[:-4] for f in os.listdir(os.fsencode(resources)) if f.endswith(b".m4a"))
    check(re.fullmatch(h.PLAYLIST, line) and sorted(names) == shipped, f"not a playlist of the clips: {line[:80]!r}")
    check(b"k\xc3\xb6nig" in names, "no k\u00f6nig with a precomposed \u00f6")
    return names


def first_run(program):
    """A whole run of two presses; its playlist and resting window, for the launches after it."""
    h.case = "window, lines, sound"
    resources = layout(program)
    sink = Sink()
    app = Program(program)
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
    check(sink.onset_after(first) is not None, "the first press did not sound")
    check(not any(sink.samples(0, first)), "sound before any press")
    check(title_pixels(app.settled(), white) > 100 and not title_pixels(app.grab(), blue),
          "the title did not turn white on the first press")
    sink.quiet()
    check_rim(resting, 1, "resting")
    check_rim(hold(app), 1, "held")
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
    return names, resting


def end_to_end(program):
    names, resting = first_run(program)
    resources = layout(program)

    h.case = "German"  # as Austrians get it: the language's translation serves every country
    app = Program(program, {"LANG": "de_AT.UTF-8"})
    grab = app.settled()
    # Other letters, not the same moved: their ink per column unlike at any alignment; and the
    # rest of the window as in English.
    differs = unlike(ink(grab, blue), ink(resting, blue)) / max(1, title_pixels(resting, blue))
    check(title_pixels(grab, blue) > 300 and differs > 0.3, f"the title is not translated: {differs:.2f} unlike")
    changed = changed_box(resting, grab)
    check(inside(changed, TITLE, 8), f"the window changed in {changed}, not just the title")
    status, out, err = app.finish()
    check(out.startswith(APPEARED) and out.endswith(b"]\n" + DISAPPEARED), f"output {out!r:.80}")
    check(playlist_names(out[len(APPEARED): -len(DISAPPEARED)], resources) != names,
          "the same order in two runs: the shuffle is not random")
    check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")

    # At each factor: the size in device pixels, the same screen, and a title drawn at device
    # resolution, as steep as at factor 1, not an enlarged factor-1 picture.
    for factor in (1.5, 2):
        h.case = f"scale factor {factor}"
        app = Program(program, {"QT_SCALE_FACTOR": str(factor)})
        grab, held = app.settled(), hold(app, factor)
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


def copy_without(program, root, missing):
    """A copy of the program in its own layout under root/missing, less the missing piece."""
    resources = layout(program)
    base = os.path.commonpath([program, resources])
    place = lambda path: os.path.join(root, missing, os.path.relpath(path, base))  # noqa: E731
    os.makedirs(os.path.dirname(place(program)), exist_ok=True)
    shutil.copy(program, place(program))
    if missing == "picture":
        os.makedirs(place(resources))
        for name in set(os.listdir(resources)) - {"Pellmor.png"}:
            os.symlink(os.path.join(resources, name), os.path.join(place(resources), name))
    return place(program), place(resources)


def robustness(program):
    with tempfile.TemporaryDirectory(prefix="klonkel-robust-") as root:
        # Something missing: it starts all the same, says what in one line, and closes by a
        # signal (Ctrl+C in a terminal, a service manager's stop) as by the window.
        for missing, how, wanted in (("picture", signal.SIGINT, "Pellmor"),
                                     ("resources", None, "resources folder")):
            h.case = f"missing {missing}, closed by {how.name if how else 'the window'}"
            copy, _ = copy_without(program, root, missing)
            app = Program(copy)
            app.settled()
            app.click()
            app.wait_for(press(0))
            status, out, err = app.finish(how)
            check(out.startswith(APPEARED) and out.endswith(press(0) + DISAPPEARED), f"output {out[-80:]!r}")
            check(status == 0, f"exit status {status}")
            check(len(err.splitlines()) == 1 and wanted in err and root in err, f"stderr {err!r}")

    # Standard output closed before start: writes fail, presses still play, nothing dies.
    h.case = "stdout closed"
    app = Program(program, stdout=subprocess.DEVNULL, preexec_fn=lambda: os.close(1))
    app.settled()
    app.click()
    still_running(app, "ended early")

    # A reader that goes away after one line (as `klonkel | head -1`): no death by SIGPIPE. The
    # line arrives while the program runs, not held back in a buffer.
    h.case = "broken pipe"
    app = Program(program, stdout=subprocess.PIPE)
    ready = select.select([app.proc.stdout], [], [], 10)[0]
    check(ready and app.proc.stdout.readline() == APPEARED, "no first line while it runs")
    app.proc.stdout.close()
    app.click(2, 600)
    still_running(app, "ended by the closed pipe")


def still_running(app, what):
    """Still running a second on (a clean exit is an exit all the same), then ends with status 0."""
    poll(lambda: app.proc.poll() is not None, 1)
    check(app.proc.poll() is None, f"{what}, status {app.proc.poll()}")
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
    w, ht, rgb = grab
    dark = [[max(rgb[i: i + 3]) < 115 for i in range(3 * w * y, 3 * w * (y + 1), 3)]
            for y in range(32, ht * bool(rgb))]
    rows = [y for y, row in enumerate(dark) if sum(row) >= 250]
    columns = [x for x in range(w) if sum(dark[y][x] for y in rows) >= 150]
    return (columns[0], rows[0] + 32) if (len(rows), len(columns)) == (300, 500) else None


def wayland(program):
    """A Wayland client of a private weston: headless (no input devices, as on a build machine),
    then nested in the session's X server, whose keyboard and pointer xdotool drives."""
    with tempfile.TemporaryDirectory(prefix="klonkel-wayland-") as runtime:
        for backend in ("headless", "x11"):
            h.case = f"weston, {backend}"
            env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=backend)
            weston = subprocess.Popen(["weston", f"--backend={backend}-backend.so", "--use-pixman", "--debug",
                                       "--width=1024", "--height=768", f"--socket={backend}", "--idle-time=0"],
                                      env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            poll(lambda: os.path.exists(f"{runtime}/{backend}"), 15)
            app = Program(program, {**env, "QT_QPA_PLATFORM": "wayland"})
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


def main():
    program, groups = os.path.abspath(sys.argv[1]), sys.argv[2:]
    every = {"end-to-end": end_to_end, "robustness": robustness, "wayland": wayland}
    # first-run: end-to-end's first launch alone, for builds too slow for the rest.
    groups_run = {**every, "first-run": first_run}
    for group in groups or every:
        groups_run[group](program)
    h.report(*(groups or ["all"]))


if __name__ == "__main__":
    main()
