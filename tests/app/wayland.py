#!/usr/bin/env python3
"""The program as a Wayland client of a private weston: it starts and draws its screen, closes
on SIGTERM with its last line and status 0, and, where weston has a keyboard and a pointer,
plays on Space and moves when its background is dragged.

    wayland.py KLONKEL

Two compositors in turn: the headless one (no input devices at all, as on a build machine)
and one nested in the session's X server, whose keyboard and pointer xdotool drives.
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from high_dpi import Grab, fail  # noqa: E402

BUTTON = (250, 180)  # the button's centre in the window


def wait_for(what, test, seconds=15):
    deadline = time.monotonic() + seconds
    while not test():
        if time.monotonic() > deadline:
            fail(f"no {what} in {seconds} s")
        time.sleep(0.1)


def screenshot(runtime, env):
    """weston's whole output, through its screenshooter (allowed by --debug)."""
    for old in os.listdir(runtime):
        if old.startswith("wayland-screenshot"):
            os.remove(os.path.join(runtime, old))
    subprocess.run(["weston-screenshooter"], cwd=runtime, env=env, check=True, timeout=10)
    png = next(os.path.join(runtime, f) for f in os.listdir(runtime) if f.endswith(".png"))
    size = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height",
                           "-of", "csv=p=0", png], capture_output=True, text=True, check=True)
    width, height = map(int, size.stdout.strip().split(","))
    raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-i", png, "-f", "rawvideo",
                          "-pix_fmt", "rgb24", "-"], capture_output=True, check=True).stdout
    return Grab(width, height, raw)


def window_origin(grab):
    """The top left corner of the 500 x 300 window, found as the rows and columns that its dark
    backdrop fills (weston's own background is lighter, its panel above y 32), or None."""
    dark = [[max(grab.pixel(x, y)) < 115 for x in range(grab.width)]
            for y in range(32, grab.height)]
    rows = [y + 32 for y, row in enumerate(dark) if sum(row) >= 250]
    columns = [x for x in range(grab.width) if sum(dark[y - 32][x] for y in rows) >= 150]
    if (len(rows), len(columns)) != (300, 500):
        return None
    return columns[0], rows[0]


def run(klonkel, backend, runtime, drive=None):
    socket = f"klonkel-{os.getpid()}-{backend}"
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")
    weston = subprocess.Popen(["weston", f"--backend={backend}-backend.so", "--use-pixman", "--debug",
                               "--width=1024", "--height=768", f"--socket={socket}", "--idle-time=0",
                               f"--log={runtime}/weston-{backend}.log"], env=env,
                              stderr=subprocess.DEVNULL)
    out = open(os.path.join(runtime, f"out-{backend}"), "w+")
    app = None
    try:
        wait_for(f"{backend} weston", lambda: os.path.exists(os.path.join(runtime, socket)))
        app = subprocess.Popen([klonkel], env=env, stdout=out, stderr=subprocess.DEVNULL)
        lines = lambda: open(out.name).read().splitlines()  # noqa: E731
        wait_for("playlist line", lambda: len(lines()) >= 2 or app.poll() is not None)
        got = lines()
        if len(got) < 2 or got[0] != "ContentView appeared!" or not got[1].startswith('["'):
            fail(f"{backend}: lines {got[:2]}, status {app.poll()}")
        time.sleep(1.5)  # the button grows in over a second
        origin = window_origin(screenshot(runtime, env))
        if not origin:
            fail(f"{backend}: the screenshot shows no 500 x 300 window")
        print(f"{backend}: started, window drawn at {origin}")
        if drive:
            drive(runtime, env, origin, lines)
        app.send_signal(signal.SIGTERM)
        status = app.wait(timeout=10)
        last = lines()[-1]
        if status != 0 or last != "ContentView disappeared!":
            fail(f"{backend}: status {status} after SIGTERM, last line {last!r}")
        print(f"{backend}: closed on SIGTERM, status 0")
    finally:
        if app and app.poll() is None:
            app.kill()
        weston.terminate()
        weston.wait(timeout=10)


def press_and_drag(runtime, env, origin, lines):
    def xdotool(*args):
        subprocess.run(["xdotool", *map(str, args)], check=True)
    # The nested compositor's output is its X window, at the X screen's top left. It follows
    # the pointer only once the pointer has entered that window, so it comes in from outside.
    xdotool("mousemove", 1100, 780, "sleep", 0.2, "mousemove", origin[0] + BUTTON[0],
            origin[1] + BUTTON[1], "sleep", 0.3, "key", "space")
    wait_for("line for Space", lambda: "button Tapped" in lines())
    print("x11: Space played a clip")
    # A drag on the backdrop, clear of the title and the button; the compositor moves the window.
    start = (origin[0] + 20, origin[1] + 20)
    xdotool("mousemove", *start, "mousedown", 1)
    for step in range(1, 11):
        xdotool("mousemove", start[0] + 12 * step, start[1] + 8 * step, "sleep", 0.05)
    xdotool("mouseup", 1)
    time.sleep(1.5)  # and the ring's spring settles
    moved = window_origin(screenshot(runtime, env))
    print(f"x11: dragged by (120, 80), the window went from {origin} to {moved}")
    if moved != (origin[0] + 120, origin[1] + 80):
        fail("x11: the window did not follow the drag")


def main():
    if len(sys.argv) != 2:
        fail("usage: wayland.py KLONKEL")
    with tempfile.TemporaryDirectory(prefix="klonkel-wayland-") as runtime:
        run(sys.argv[1], "headless", runtime)
        run(sys.argv[1], "x11", runtime, press_and_drag)
    print("PASS: klonkel under weston, headless and nested")


if __name__ == "__main__":
    main()
