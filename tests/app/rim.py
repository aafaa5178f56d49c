#!/usr/bin/env python3
"""The main button's rim, 4 points wide on the circle's outline, is as thick at the top and the
bottom, where the circle touches its 160 x 150 frame, as at the left and the right; resting and
held down, at scale factors 1, 1.5 and 2. Runs the program and grabs its window.

    rim.py KLONKEL
"""
import os
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from high_dpi import Grab, fail  # noqa: E402

CENTRE = (250, 180)  # the button's centre in points
RADIUS = 75
RAYS = {"top": (0, -1), "bottom": (0, 1), "left": (-1, 0), "right": (1, 0)}


def ray(grab, factor, direction, inner=RADIUS - 6, outer=RADIUS + 6):
    """Pixels along one axis, from inside the fill to outside the rim."""
    cx, cy = (round(c * factor) for c in CENTRE)
    return [grab.pixel(cx + direction[0] * r, cy + direction[1] * r)
            for r in range(round(inner * factor), round(outer * factor) + 1)]


def rim_thickness(pixels):
    """The rim's width in pixels: each pixel counts by how far its blue has gone from the fill's
    (first pixel) to the rim's, and from the grey outside's (last pixel) to the rim's, so an edge
    pixel that the rim half covers counts a half, whichever look the fill has."""
    inside, outside = pixels[0], pixels[-1]
    def steps(p):
        return abs(p[2] - inside[2]), abs((p[2] - p[0]) - (outside[2] - outside[0]))
    rim = steps(max(pixels, key=lambda p: min(steps(p))))
    return sum(min(1.0, steps(p)[0] / rim[0], steps(p)[1] / rim[1]) for p in pixels)


def settled_grab(window, factor):
    previous = None
    for _ in range(40):
        raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0",
                              "-window_id", window, "-i", os.environ["DISPLAY"], "-frames:v", "1",
                              "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                             capture_output=True, check=True).stdout
        grab = Grab(round(500 * factor), round(300 * factor), raw)
        rays = [ray(grab, factor, d) for d in RAYS.values()]
        if rays == previous:
            return grab
        previous = rays
        time.sleep(0.25)
    fail(f"the button never held still at factor {factor}")


def check(klonkel, factor):
    app = subprocess.Popen([klonkel], env=dict(os.environ, QT_SCALE_FACTOR=str(factor)),
                           stdout=subprocess.DEVNULL)
    try:
        window = ""
        for _ in range(100):
            window = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(app.pid)],
                                    capture_output=True, text=True).stdout.split("\n")[0].strip()
            if window:
                break
            time.sleep(0.1)
        if not window:
            fail(f"no window at factor {factor}")
        time.sleep(1.2)  # the button grows in over a second
        looks = {"resting": settled_grab(window, factor)}
        # xdotool moves in device pixels; Qt scales them back to points.
        subprocess.run(["xdotool", "mousemove", "--window", window,
                        str(round(CENTRE[0] * factor)), str(round(CENTRE[1] * factor)),
                        "mousedown", "1"], check=True)
        looks["held"] = settled_grab(window, factor)
        subprocess.run(["xdotool", "mouseup", "1"], check=True)
    finally:
        app.send_signal(signal.SIGTERM)
        app.wait(timeout=10)
    for look, grab in looks.items():
        widths = {side: rim_thickness(ray(grab, factor, d)) for side, d in RAYS.items()}
        print(f"factor {factor}, {look}: rim " + ", ".join(f"{s} {w:.1f}" for s, w in widths.items()))
        expected = 4 * factor
        if max(widths.values()) - min(widths.values()) > 1 or \
                any(abs(w - expected) > 1 for w in widths.values()):
            fail(f"rim not {expected:g} px all round at factor {factor}, {look}: " + ", ".join(f"{s} {w:.1f}" for s, w in widths.items()))


def main():
    if len(sys.argv) != 2:
        fail("usage: rim.py KLONKEL")
    for factor in (1, 1.5, 2):
        check(sys.argv[1], factor)
    print("PASS: the rim is equally thick all round, resting and held, at 1, 1.5 and 2")


if __name__ == "__main__":
    main()
