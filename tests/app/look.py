"""What the window's pixels show, measured on grabs (width, height, rgb bytes) in points."""
from harness import check

TITLE = (130, 38, 370, 82)  # the title's box in points, clear of the button
# The window's controls' boxes in points (24 wide, 8 from the edges, 6 apart), on the right.
CONTROLS = {"minimize": (438, 8, 462, 32), "close": (468, 8, 492, 32)}


def ink(grab, test, factor=1):
    """The title box's pixels that pass test, in each of its columns: its letters, wherever in it."""
    w, _, rgb = grab
    x0, y0, x1, y1 = (round(v * factor) for v in TITLE)
    return [sum(test(rgb[3 * (w * y + x):][:3]) for y in range(y0, y1)) for x in range(x0, x1)] if rgb else []


def title_pixels(grab, test, factor=1):
    return sum(ink(grab, test, factor))


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
    """box of a factor-1 grab enlarged to factor (bilinear), where it lies at that factor."""
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


def unlike(a, b, most=30):
    """How much two columns' ink differs at their best alignment, either shifted up to `most`."""
    b = [0] * most + b + [0] * most
    return min(sum(abs(p - q) for p, q in zip(a, b[s:])) for s in range(2 * most + 1)) if a else 0


def changed_box(a, b, threshold=24):
    """The smallest box (x0, y0, x1, y1) around every pixel that differs between two grabs."""
    w, ht, p = a
    q, xs, ys = b[2], [], []
    for y in range(ht if len(p) == len(q) == 3 * w * ht else 0):
        row, other = p[3 * w * y: 3 * w * (y + 1)], q[3 * w * y: 3 * w * (y + 1)]
        if row != other:
            hits = [x for x in range(w) if max(abs(row[3 * x + k] - other[3 * x + k]) for k in range(3)) > threshold]
            xs += hits
            ys += [y] * bool(hits)
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def inside(box, outer, slack):
    return box is not None and min(box[0] - outer[0], box[1] - outer[1], outer[2] - box[2], outer[3] - box[3]) >= -slack


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
    w, ht, rgb = grab
    whole = (w, ht) == (round(500 * factor), round(300 * factor)) and len(rgb) == 3 * w * ht
    cx, cy, widths = round(250 * factor), round(180 * factor), []
    for dx, dy in ((0, -1), (0, 1), (-1, 0), (1, 0)) if whole else ():
        ray = [rgb[3 * (w * (cy + dy * r) + cx + dx * r):][:3]
               for r in range(round(69 * factor), round(82 * factor))]
        steps = lambda p: (abs(p[2] - ray[0][2]), abs(p[2] - p[0] - ray[-1][2] + ray[-1][0]))  # noqa: E731
        rim = [max(1, s) for s in steps(max(ray, key=lambda p: min(steps(p))))]
        widths.append(round(sum(min(1, steps(p)[0] / rim[0], steps(p)[1] / rim[1]) for p in ray), 1))
    check(whole and max(widths) - min(widths) <= 1 and all(abs(v - 4 * factor) <= 1 for v in widths),
          f"{look}, the rim is {widths} px thick at top, bottom, left, right, not {4 * factor:g}")
