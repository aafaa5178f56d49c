#!/usr/bin/env python3
"""Runs the program at scale factors 1, 1.5 and 2 and grabs its window from the X server.

At each factor the window must be 500 x 300 logical points in device pixels and show the same
screen, and the title must be drawn at the device resolution: its edges as steep as at factor 1,
not an enlarged and blurred factor-1 picture. That blurred picture is made here from the factor-1
grab and measured too, so the check shows it can tell the two apart.

With --screenshot FILE, saves the factor-1 grab as a PNG instead of checking anything.
"""
import os
import signal
import struct
import subprocess
import sys
import time
import zlib

LOGICAL = (500, 300)
# The title's box in logical points: centred above the button, clear of the button's colours.
TITLE = (130, 38, 370, 82)


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


class Grab:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def upscaled(self, factor):
        """The bilinear enlargement a renderer that ignores the factor would show."""
        width, height = round(self.width * factor), round(self.height * factor)
        out = bytearray(3 * width * height)
        for y in range(height):
            sy = min(max((y + 0.5) / factor - 0.5, 0), self.height - 1)
            y0 = int(sy); y1 = min(y0 + 1, self.height - 1); fy = sy - y0
            for x in range(width):
                sx = min(max((x + 0.5) / factor - 0.5, 0), self.width - 1)
                x0 = int(sx); x1 = min(x0 + 1, self.width - 1); fx = sx - x0
                a, b = self.pixel(x0, y0), self.pixel(x1, y0)
                c, d = self.pixel(x0, y1), self.pixel(x1, y1)
                for k in range(3):
                    top = a[k] + (b[k] - a[k]) * fx
                    bottom = c[k] + (d[k] - c[k]) * fx
                    out[3 * (y * width + x) + k] = round(top + (bottom - top) * fy)
        return Grab(width, height, bytes(out))


def run_and_grab(klonkel, factor):
    env = dict(os.environ, QT_SCALE_FACTOR=str(factor))
    app = subprocess.Popen([klonkel], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        window = ""
        for _ in range(100):
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(app.pid)],
                                   capture_output=True, text=True)
            window = found.stdout.split("\n")[0].strip()
            if window:
                break
            time.sleep(0.1)
        if not window:
            fail(f"no window appeared at factor {factor}")
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
        size = tuple(int(line.split(":")[1]) for line in info.splitlines()
                     if line.strip().startswith(("Width:", "Height:")))
        # Grabs until the title holds still on a drawn backdrop: under load the first frames
        # may come late, and the button grows in after appearing.
        time.sleep(1.0)
        raw, previous = b"", None
        for _ in range(20):
            raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0",
                                  "-window_id", window, "-i", os.environ["DISPLAY"], "-frames:v", "1",
                                  "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                                 capture_output=True, check=True).stdout
            title = title_bytes(raw, size, factor)
            if title == previous and raw[:3] != b"\0\0\0":
                break
            previous = title
            time.sleep(0.25)
        else:
            fail(f"the window never settled at factor {factor}")
    finally:
        app.send_signal(signal.SIGTERM)
        try:
            _, err = app.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            app.kill()
            fail(f"the program did not end on SIGTERM at factor {factor}")
    if app.returncode != 0:
        fail(f"exit status {app.returncode} at factor {factor}: {err.decode()}")
    if len(raw) != 3 * size[0] * size[1]:
        fail(f"grabbed {len(raw)} bytes for a {size[0]} x {size[1]} window")
    grab = Grab(size[0], size[1], raw)
    # To look at what was checked: KLONKEL_GRAB_DIR keeps each grab as a PNG.
    if os.environ.get("KLONKEL_GRAB_DIR"):
        write_png(grab, os.path.join(os.environ["KLONKEL_GRAB_DIR"], f"klonkel-x{factor}.png"))
    return grab


def is_title_blue(p):
    return p[2] > 150 and p[0] < 90 and p[1] < 90


def title_bytes(raw, size, factor):
    x0, y0, x1, y1 = title_box(factor)
    return b"".join(raw[3 * (size[0] * y + x0): 3 * (size[0] * y + x1)] for y in range(y0, y1))


def title_box(factor):
    return [round(v * factor) for v in TITLE]


def title_pixels(grab, factor):
    x0, y0, x1, y1 = title_box(factor)
    return sum(is_title_blue(grab.pixel(x, y)) for y in range(y0, y1) for x in range(x0, x1))


def steepness(grab, factor):
    """How steep the title's edges are: the mean of the largest blue steps between neighbours
    along each row, as a fraction of the title's full contrast."""
    x0, y0, x1, y1 = title_box(factor)
    steps = []
    for y in range(y0, y1):
        row = [grab.pixel(x, y)[2] - grab.pixel(x, y)[0] for x in range(x0, x1)]
        steps.extend(abs(b - a) for a, b in zip(row, row[1:]))
    steps.sort(reverse=True)
    top = steps[: max(1, len(steps) // 50)]
    contrast = max(grab.pixel(x, y)[2] - grab.pixel(x, y)[0]
                   for y in range(y0, y1) for x in range(x0, x1))
    return sum(top) / len(top) / contrast


def write_png(grab, path):
    rows = b"".join(b"\0" + grab.rgb[3 * grab.width * y: 3 * grab.width * (y + 1)]
                    for y in range(grab.height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", grab.width, grab.height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        out.write(chunk(b"IEND", b""))


def main():
    args = sys.argv[1:]
    if len(args) == 3 and args[1] == "--screenshot":
        write_png(run_and_grab(args[0], 1), args[2])
        return
    if len(args) != 1:
        fail("usage: high_dpi.py KLONKEL [--screenshot FILE]")
    klonkel = args[0]

    base = run_and_grab(klonkel, 1)
    base_title = title_pixels(base, 1)
    base_steepness = steepness(base, 1)
    if base_title < 300:
        fail(f"the title shows {base_title} blue pixels at factor 1")
    print(f"factor 1: {base.width} x {base.height}, title {base_title} px, steepness {base_steepness:.2f}")

    for factor in (1.5, 2):
        grab = run_and_grab(klonkel, factor)
        expected = (round(LOGICAL[0] * factor), round(LOGICAL[1] * factor))
        if (grab.width, grab.height) != expected:
            fail(f"window is {grab.width} x {grab.height} at factor {factor}, expected {expected}")
        # The same screen, scaled: the backdrop's corners and the title's area match factor 1.
        for lx, ly in ((5, 5), (495, 5), (5, 295), (495, 295)):
            a = base.pixel(lx, ly)
            b = grab.pixel(int(lx * factor), int(ly * factor))
            if max(abs(p - q) for p, q in zip(a, b)) > 12:
                fail(f"backdrop at ({lx}, {ly}) is {b} at factor {factor}, {a} at factor 1")
        title = title_pixels(grab, factor)
        ratio = title / (base_title * factor * factor)
        if not 0.75 < ratio < 1.33:
            fail(f"title covers {title} px at factor {factor}, {ratio:.2f} of factor 1 scaled")
        sharp = steepness(grab, factor)
        blurred = steepness(base.upscaled(factor), factor)
        print(f"factor {factor}: {grab.width} x {grab.height}, title {title} px, "
              f"steepness {sharp:.2f} (enlarged factor-1 grab: {blurred:.2f})")
        if sharp < 0.8 * base_steepness or sharp < blurred + 0.1:
            fail(f"the title is blurred at factor {factor}: steepness {sharp:.2f}, "
                 f"{base_steepness:.2f} at factor 1, {blurred:.2f} for an enlarged factor-1 grab")
    print("PASS: klonkel at scale factors 1, 1.5 and 2")


if __name__ == "__main__":
    main()
