#!/usr/bin/env python3
"""The whole app, measured from outside, against baselines measured in the same run.

Starts BUILD_DIR/klonkel under the current X server and sound server and drives it with real
X11 input (XTest, see xinput.py). Sound is what the default sink's monitor records
(harness.py), frames are what the screen shows (XGetImage) and Qt's own render-loop timing
lines (category qt.scenegraph.time.renderloop). Baselines, the modes of
klonkel-baseline-window (bench/baseline-window):
  empty        the smallest Qt Quick window of the same size, which maps Qt Quick alone
  mediaplayer  that window playing each click with a new QMediaPlayer (FFmpeg)
  tone         that window sounding a tone over a stream kept running: what the display, Qt's
               input, the sound server and the measurement take by themselves (shown beside the
               click-to-sound goals, not judged)
Prints the GL renderer first: on a software rasterizer (Mesa's llvmpipe) the goals for the first
frame and the resident set are looser. Then one table: metric, ours, baseline, ratio, goal,
result. Exits 1 if a goal fails.

    app_bench.py BUILD_DIR [--clicks 50] [--startups 10] [--soak-presses 1000] [--idle 10]

Needs a bare X server without a window manager (tools/with-session.sh starts one): windows
must open at the top left corner, where the screen is read before each start.
"""
import argparse
import functools
import math
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

import harness
from harness import RATE, Program, Sink
import xinput

WIDTH, HEIGHT = 500, 300
BUTTON = (250, 180)  # the button's centre: the 210 px column (title 30, gap 30, button 150) is centred
CATALOGUE_SIZE = 264
THRESHOLD = 300  # of 32768; the clips start loud, the idle sink is exact zero
READY_APP = "ContentView appeared!"
READY_EMPTY = "window shown"
RENDER_LOG = {"QT_LOGGING_RULES": "qt.scenegraph.time.renderloop=true"}
FRAME_LINE = re.compile(r"[Ff]rame rendered .*?in (\d+)\s*ms")
GROW_SECONDS = 1.0  # the button's grow after start-up
SPRING_SECONDS = 1.0  # the part of each ring spring that surely still moves
SETTLE_SECONDS = 3.0  # after which every animation of a start or a press has ended
# Goals for the first frame and the resident set, against the empty window's: the look costs
# more when a software rasterizer draws it, so there they guard against regression only.
GPU_GOALS = {"frame": 1.5, "rss": 1.3}
SOFTWARE_GOALS = {"frame": 1.8, "rss": 1.35}
# What a start-up and memory baseline must not map: the sound server's client and its file
# libraries, Qt Multimedia and its decoders. The window's clicking modes need them, its empty one
# does not, and mapping them would inflate the baseline and flatter the app.
SOUND_LIBRARY = re.compile(r"/lib(pulse|sndfile|Qt6Multimedia|av(codec|format|util)|gst)[^/]*$")
SOFTWARE_RENDERER = re.compile(r"llvmpipe|softpipe|swrast|software rasterizer|swiftshader", re.I)
RENDERER_LINE = re.compile(r"RENDERER: (.*?) VERSION:")


def baseline(build, mode, *args):
    """The command line of one of the baseline window's modes."""
    return [os.path.join(build, "klonkel-baseline-window"), mode, *args]


# What is read of a program under test (a harness.Program) while it runs.

def sound_libraries(program):
    with open(f"/proc/{program.proc.pid}/maps") as maps:
        return {path for line in maps for path in [line.split(None, 5)[-1].strip()]
                if SOUND_LIBRARY.search(path)}


def cpu_seconds(program):
    with open(f"/proc/{program.proc.pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def frames(program, since, until):
    """(arrival time, render time in ms) of each frame rendered between the two times."""
    return [(t, int(match.group(1))) for t, line in list(program.err.lines)
            if since <= t <= until for match in [FRAME_LINE.search(line)] if match]


def lines(program):
    return [line for _, line in program.out.lines]


def close(program):
    """Closes as a service manager would (SIGTERM); returns the exit status."""
    return program.finish(signal.SIGTERM)[0]


def percentile(values, share):
    ordered = sorted(v for v in values if not math.isnan(v))
    if not ordered:
        return math.nan
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


def median(values):
    ordered = [v for v in values if not math.isnan(v)]
    return statistics.median(ordered) if ordered else math.nan


def changed_share(before, after):
    """Share of (a sample of) the pixels that differ between two grabs of the same rectangle."""
    a = memoryview(before).cast("I")[::7]
    b = memoryview(after).cast("I")[::7]
    return sum(x != y for x, y in zip(a, b)) / len(a)


def idle_figures(program, seconds):
    """CPU use in % of one core and frames rendered over `seconds` from now."""
    start, cpu = time.monotonic(), cpu_seconds(program)
    time.sleep(seconds)
    end, used = time.monotonic(), cpu_seconds(program) - cpu
    return 100 * used / (end - start), len(frames(program, start, end))


def open_window(display, program):
    window = display.window_of(program.proc.pid)
    x, y, width, height = display.geometry(window)
    if (width, height) != (WIDTH, HEIGHT):
        raise RuntimeError(f"{program.proc.args[0]}: window is {width} x {height}")
    return window, x, y


# Start-up ------------------------------------------------------------------------------------

def start_once(display, argv, ready_line):
    """Times from process start to the ready line and to the first frame on screen.

    The first frame on screen is the first grab of the window's rectangle in which most of the
    screen's earlier picture there is gone: swapped GL frames replace the whole rectangle at once.
    Also returns the resident set once settled, the sound libraries mapped then (SOUND_LIBRARY)
    and the frames of the first second on screen.
    """
    before = display.grab(0, 0, WIDTH, HEIGHT)
    with Program(argv, RENDER_LOG, window=False) as program:
        _, x, y = open_window(display, program)
        if (x, y) != (0, 0):
            raise RuntimeError("the window did not open at the top left: is a window manager on?")
        first_frame = None
        while first_frame is None:
            grab = display.grab(0, 0, WIDTH, HEIGHT)
            now = time.monotonic()
            if changed_share(before, grab) > 0.2:
                first_frame = now
            elif now - program.started > 20:
                raise RuntimeError(f"{argv[0]}: nothing drawn in 20 s")
            else:
                time.sleep(0.002)
        ready = program.line_time(ready_line)
        time.sleep(max(0.0, first_frame + SETTLE_SECONDS - time.monotonic()))
        rss, sound = program.resident_mib(), sound_libraries(program)
        # The first frame's own line arrives with it; what follows it is the grow animation.
        grow = frames(program, first_frame + 0.05, first_frame + GROW_SECONDS)
        close(program)
    time.sleep(0.2)  # the closed window's rectangle goes back to the root's picture
    return {"ready": (ready - program.started) * 1000,
            "frame": (first_frame - program.started) * 1000, "rss": rss, "grow": grow,
            "sound": sound}


def startup(display, build, runs):
    ours, base = [], []
    for _ in range(runs):  # alternated, so that both meet the same state of the machine
        ours.append(start_once(display, [os.path.join(build, "klonkel")], READY_APP))
        base.append(start_once(display, baseline(build, "empty"), READY_EMPTY))
    return ours, base


def renderer(build):
    """The GL renderer that the app draws with, as its graphics log names it."""
    with Program([os.path.join(build, "klonkel")], {"QT_LOGGING_RULES": "qt.rhi.general=true"}, window=False) as app:
        app.line_time(READY_APP)
        close(app)
    time.sleep(0.2)
    found = [m.group(1) for _, line in app.err.lines for m in [RENDERER_LINE.search(line)] if m]
    return found[0] if found else "unknown"


# Click to sound --------------------------------------------------------------------------------

def click_to_sound(display, sink, argv, env, clicks, ready_line, click_line, idle):
    """Click-to-first-sample latencies in ms, the recorded length of each clip in samples (first
    to last loud sample), the frames after each click (and the seconds they cover), the
    program's lines and its idle figures once everything has settled after the last click."""
    with Program(argv, dict(RENDER_LOG, **env), window=False) as program:
        _, x, y = open_window(display, program)
        if ready_line:
            program.line_time(ready_line)
        time.sleep(SETTLE_SECONDS)
        display.move_pointer(x + BUTTON[0], y + BUTTON[1])
        found = harness.latencies(sink, display.click, clicks, THRESHOLD,
                                  lambda i: program.line_time(click_line, count=i + 1))  # it hit the button
        clicked, marks, onsets, latencies = (list(column) for column in zip(*found))
        sink.quiet(0.15, THRESHOLD, 8)
        time.sleep(SETTLE_SECONDS)
        ends = [min(t + SPRING_SECONDS, later) for t, later in zip(clicked, clicked[1:] + [math.inf])]
        after_clicks = [(frames(program, t, end), end - t) for t, end in zip(clicked, ends)]
        idle = idle_figures(program, idle)
        close(program)
    lengths = []
    for onset, end in zip(onsets, marks[1:] + [sink.mark()]):
        lengths.append(math.nan if onset is None else harness.loud_span(sink.samples(onset, end), THRESHOLD))
    return latencies, lengths, after_clicks, lines(program), idle


@functools.lru_cache(maxsize=None)  # the baseline plays the same clips as the app
def clip_length(path):
    """A clip's length from its first to its last loud sample, decoded as the app plays it (on
    two channels, so a mono clip at the same level) and mixed down as the sink's monitor does:
    the mono clip itself."""
    return harness.loud_span(harness.clip_samples(path), THRESHOLD) or math.nan


def longest_gap(values):
    """The most silence let into any clip; a clip that came out shorter let in none."""
    return max((max(v, 0.0) for v in values if not math.isnan(v)), default=math.nan)


def gaps_ms(lengths, names, resources):
    """How much longer each recorded clip lasted than the clip itself: silence let in mid-clip.
    The monitor itself loses up to its latency (2 ms) where the sink rewinds, so a clip may come
    out that much shorter, never longer."""
    return [(length - clip_length(os.path.join(resources, name + ".m4a"))) * 1000 / RATE
            for length, name in zip(lengths, names)]


# Soak --------------------------------------------------------------------------------------------

def playlist_names(line):
    return [name.decode() for name in harness.names(line.encode())]


def check_lines(out, presses, catalogue):
    """Problems with the app's standard output for `presses` presses; empty when all is right."""
    head = out[:out.find(b"]\n") + 2]
    found = harness.playlists(out[len(head):], presses, tail=harness.DISAPPEARED)
    if not head.startswith(harness.APPEARED) or found is None:
        return [f"not the lines of {presses} presses: {out[:60]!r} ... {out[-60:]!r}"]
    orders = [head[len(harness.APPEARED):], *found]
    return [f"playlist {n + 1} is not a permutation of the catalogue"
            for n, line in enumerate(orders) if sorted(playlist_names(line.decode())) != sorted(catalogue)][:1]


def soak(display, sink, build, presses, rate, catalogue, idle):
    """Idle after start-up, then `presses` real clicks at `rate` per second; the app's output,
    its resident set along the way and the sound at the sink are checked."""
    result = {}
    with Program([os.path.join(build, "klonkel")], RENDER_LOG, window=False) as program:
        _, x, y = open_window(display, program)
        program.line_time(READY_APP)
        time.sleep(SETTLE_SECONDS)
        result["idle_start"] = idle_figures(program, idle)
        result["rss_start"] = program.resident_mib()
        display.move_pointer(x + BUTTON[0], y + BUTTON[1])
        rss = {}
        first_sample = sink.mark()
        start = time.monotonic()
        for i in range(presses):
            time.sleep(max(0.0, start + i / rate - time.monotonic()))
            display.click()
            if program.proc.poll() is not None:
                result["problems"] = [f"the app ended with status {program.proc.returncode} "
                                      f"after {i + 1} clicks; stderr: "
                                      f"{[line for _, line in program.err.lines if not FRAME_LINE.search(line)][-5:]}"]
                break
            if (i + 1) % 1000 == 0 or i + 1 == CATALOGUE_SIZE:
                rss[i + 1] = program.resident_mib()
        result["seconds"] = time.monotonic() - start
        last_sample = sink.mark()
        if "problems" in result:
            result["rss"] = rss or {0: math.nan}
            result["longest_silence"] = math.nan
            result["tapped"] = lines(program).count("button Tapped")
            return result
        try:
            program.line_time("button Tapped", count=presses, seconds=30)
            time.sleep(1.0)
        except RuntimeError as error:
            result["problems"] = [str(error)]
        rss[presses] = program.resident_mib()
        result["rss"] = rss
        status = close(program)
    problems = result.setdefault("problems", [])
    if status != 0:
        problems.append(f"exit status {status}")
    problems += check_lines(program.output(), presses, catalogue)
    result["tapped"] = lines(program).count("button Tapped")
    # Sound throughout: the longest stretch of 0.1 s blocks without a sample above the threshold.
    block = RATE // 10
    longest = run = 0
    values = sink.samples(first_sample, last_sample)
    for peak in (max(map(abs, values[i:i + block]), default=0) for i in range(0, len(values), block)):
        run = run + 1 if peak <= THRESHOLD else 0
        longest = max(longest, run)
    result["longest_silence"] = longest * block / RATE
    return result


def press_tool_growth(build, warm, presses, rate):
    """Resident set of klonkel-press after `warm` presses and after `presses` more."""
    argv = [os.path.join(build, "klonkel-press"), os.path.join(build, "resources")]
    with Program(argv, stdin=subprocess.PIPE, window=False) as program:
        time.sleep(1.5)  # start-up and the read-ahead of the first clip
        figures = []
        for n, batch in ((0, warm), (warm, presses)):
            # Paced, never in bursts: lines read at once are played in one turn of the event
            # loop, which keeps every one of their players until the turn ends.
            start = time.monotonic()
            for i in range(batch):
                time.sleep(max(0.0, start + i / rate - time.monotonic()))
                program.type()
            program.line_time("button Tapped", count=n + batch, seconds=60)
            time.sleep(1.0)
            figures.append(program.resident_mib())
        program.finish()
    return figures


# Table ---------------------------------------------------------------------------------------------

class Table:
    def __init__(self):
        self.rows = []

    def add(self, metric, ours, base, goal, passed, unit="", digits=1):
        def shown(value):
            if value is None:
                return "-"
            if isinstance(value, str):
                return value
            return "nan" if math.isnan(value) else f"{value:.{digits}f}{unit}"
        ratio = "-"
        if isinstance(ours, (int, float)) and isinstance(base, (int, float)) and base:
            ratio = f"{ours / base:.2f}"
        result = "-" if passed is None else ("pass" if passed else "FAIL")
        self.rows.append((metric, shown(ours), shown(base), ratio, goal, result))

    def print(self):
        head = ("metric", "ours", "baseline", "ratio", "goal", "result")
        widths = [max(len(str(row[i])) for row in self.rows + [head]) for i in range(6)]
        for row in [head] + self.rows:
            print("  ".join(str(cell).ljust(width) if i in (0, 4) else str(cell).rjust(width)
                            for i, (cell, width) in enumerate(zip(row, widths))).rstrip())

    def failed(self):
        return any(row[5] == "FAIL" for row in self.rows)



def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir")
    parser.add_argument("--clicks", type=int, default=50)
    parser.add_argument("--startups", type=int, default=10)
    parser.add_argument("--soak-presses", type=int, default=1000)
    parser.add_argument("--soak-rate", type=float, default=20.0)
    parser.add_argument("--growth-presses", type=int, default=10000)
    parser.add_argument("--idle", type=float, default=10.0)
    args = parser.parse_args()
    build = os.path.abspath(args.build_dir)
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "tools", "catalogue.txt")) as names:
        catalogue = {line.strip() for line in names if line.strip()}

    display = xinput.Display()
    table = Table()

    gl = renderer(build)
    software = bool(SOFTWARE_RENDERER.search(gl))
    goals = SOFTWARE_GOALS if software else GPU_GOALS
    print(f"renderer: {gl} ({'software' if software else 'GPU'} rendering): goals first frame "
          f"<= {goals['frame']:g} x, resident set <= {goals['rss']:g} x the empty window's",
          flush=True)

    print(f"start-up, {args.startups} runs each", flush=True)
    ours, base = startup(display, build, args.startups)
    for key, label, goal in (("ready", "start to first line, ms", 1.5),
                             ("frame", "start to first frame, ms", goals["frame"])):
        o, b = median([r[key] for r in ours]), median([r[key] for r in base])
        table.add(label + " (median)", o, b, f"<= {goal:g} x baseline", o <= goal * b)
    rss_start, rss_empty = median([r["rss"] for r in ours]), median([r["rss"] for r in base])
    table.add("resident set after start, MiB", rss_start, rss_empty,
              f"<= {goals['rss']:g} x baseline", rss_start <= goals["rss"] * rss_empty)
    sound = set().union(*(r["sound"] for r in base))
    table.add("baseline: sound libraries mapped", None, str(len(sound)), "0", not sound)
    grow = [ms for r in ours for _, ms in r["grow"]]
    grow_gaps = [(b[0] - a[0]) * 1000 for r in ours for a, b in zip(r["grow"], r["grow"][1:])]
    table.add(f"grow: render time p95, ms ({len(grow)} frames)", percentile(grow, 0.95), None,
              "<= 16.7", percentile(grow, 0.95) <= 16.7)
    table.add(f"grow: frame interval p95, ms ({len(grow) / (len(ours) * GROW_SECONDS):.0f} fps)",
              percentile(grow_gaps, 0.95), None, "(shown)", None)

    with Sink(latency_ms=2) as sink:
        if not harness.poll(lambda: sink.mark() > RATE // 2, 10):
            sys.exit("no data from the sink monitor: is a sound server running?")
        print(f"click to sound, {args.clicks} clicks each", flush=True)
        latencies, lengths, springs, lines, idle_after = click_to_sound(
            display, sink, [os.path.join(build, "klonkel")], {}, args.clicks, READY_APP,
            "button Tapped", args.idle)
        playlist = next(line for line in lines if line.startswith("["))
        order_names = playlist_names(playlist)[:args.clicks]
        # The baseline plays the same clips in the same order: the app's playlist.
        with tempfile.NamedTemporaryFile("w", prefix="klonkel-bench-", suffix=".txt") as order:
            order.write("\n".join(order_names) + "\n")
            order.flush()
            base_latencies, base_lengths, _, _, _ = click_to_sound(
                display, sink,
                baseline(build, "mediaplayer", os.path.join(build, "resources"), order.name),
                {"QT_MEDIA_BACKEND": "ffmpeg"}, args.clicks, None, "clicked", args.idle)
        floor_latencies, _, _, _, _ = click_to_sound(
            display, sink, baseline(build, "tone"), {}, args.clicks, None, "clicked", args.idle)
        for label, share, goal in (("median", 0.5, 1.0), ("p95", 0.95, 3.0)):
            o, b = percentile(latencies, share), percentile(base_latencies, share)
            table.add(f"click to sound {label}, ms", o, b, f"<= {goal:g} and < baseline",
                      o <= goal and o < b)
        for label, share in (("median", 0.5), ("p95", 0.95)):
            table.add(f"click to sound {label}, ms: floor (running stream)",
                      percentile(floor_latencies, share), None, "(shown)", None)
        resources = os.path.join(build, "resources")
        gaps = gaps_ms(lengths, order_names, resources)
        base_gaps = gaps_ms(base_lengths, order_names, resources)
        table.add("silence let into a clip, longest, ms", longest_gap(gaps),
                  longest_gap(base_gaps), "<= 2 (no gap)", longest_gap(gaps) <= 2)
        missed = sum(map(math.isnan, latencies)), sum(map(math.isnan, base_latencies))
        table.add("clicks without sound", str(missed[0]), str(missed[1]), "0", missed[0] == 0)
        spring = [ms for frames, _ in springs for _, ms in frames]
        spring_gaps = [(b[0] - a[0]) * 1000 for frames, _ in springs
                       for a, b in zip(frames, frames[1:])]
        table.add(f"spring: render time p95, ms ({len(spring)} frames)",
                  percentile(spring, 0.95), None, "<= 16.7", percentile(spring, 0.95) <= 16.7)
        spring_fps = len(spring) / sum(seconds for _, seconds in springs)
        table.add(f"spring: frame interval p95, ms ({spring_fps:.0f} fps)",
                  percentile(spring_gaps, 0.95), None, "(shown)", None)

        print(f"idle and soak, {args.soak_presses} clicks at {args.soak_rate:g}/s", flush=True)
        with Program(baseline(build, "empty"), RENDER_LOG, window=False) as empty:
            open_window(display, empty)
            empty.line_time(READY_EMPTY)
            time.sleep(SETTLE_SECONDS)
            idle_empty = idle_figures(empty, args.idle)
            close(empty)
        result = soak(display, sink, build, args.soak_presses, args.soak_rate, catalogue,
                      args.idle)

    for label, (cpu, frames) in (("after start", result["idle_start"]),
                                 ("after presses", idle_after)):
        table.add(f"idle CPU {label}, % of a core", cpu, idle_empty[0], "<= 0.5", cpu <= 0.5,
                  digits=2)
        table.add(f"idle frames {label}, in {args.idle:g} s", frames, idle_empty[1], "0",
                  frames == 0, digits=0)
    rss = result["rss"]
    at = 1000 if 1000 in rss else max(rss)
    table.add(f"resident set after {at} presses, MiB", rss[at], rss_empty,
              f"<= {goals['rss']:g} x baseline", rss[at] <= goals["rss"] * rss_empty)
    # The soak measures growth only past the first playlist, a run of CATALOGUE_SIZE presses.
    if args.soak_presses >= args.growth_presses and args.soak_presses > CATALOGUE_SIZE:
        grown = rss.get(args.soak_presses, math.nan) - rss.get(CATALOGUE_SIZE, math.nan)
        label = f"growth, press {CATALOGUE_SIZE} to {args.soak_presses}, MiB"
    else:
        print(f"memory growth, klonkel-press, {args.growth_presses} presses", flush=True)
        warm, end = press_tool_growth(build, CATALOGUE_SIZE, args.growth_presses, 200)
        grown = end - warm
        label = f"growth over {args.growth_presses} presses (klonkel-press), MiB"
    table.add(label, grown, None, "<= 5", grown <= 5)
    n = args.soak_presses
    soak_ok = not result["problems"]
    table.add(f"soak: {n} clicks at {args.soak_rate:g}/s, lines in order",
              f"{result['tapped']}/{n}", None, "all, in order", soak_ok)
    table.add("soak: longest silence at the sink, s", result["longest_silence"], None, "<= 1",
              result["longest_silence"] <= 1.0)

    print()
    print(f"whole app, {os.cpu_count()} cores, render loop log on for every program, "
          f"{'software' if software else 'GPU'} rendering ({gl})")
    table.print()
    for problem in result["problems"]:
        print(f"soak: {problem}")
    for library in sorted(sound):
        print(f"the empty baseline maps {library}")
    print("resident set during the soak, MiB: " + ", ".join(
        f"{k}: {v:.1f}" for k, v in sorted(rss.items())))
    print(f"soak took {result['seconds']:.1f} s for {n} clicks")
    return 1 if table.failed() else 0


if __name__ == "__main__":
    sys.exit(main())
