#!/usr/bin/env python3
"""The window's own controls and the one copy per session, checked from outside under a real
window manager (openbox) on the session's X server:   window_checks.py PROGRAM"""
import os, signal, subprocess, sys, tempfile

import app_checks as ac
from app_checks import h
from look import CONTROLS as RIGHT, blue, changed_box, inside, striking, title_pixels
from harness import APPEARED, DISAPPEARED, Program, Sink, check, poll, press

LEFT = {"close": (8, 8, 32, 32), "minimize": (38, 8, 62, 32)}
AWAY = (250, 292)  # the backdrop below the button: no control, nothing that lights up


def centre(box):
    return (box[0] + box[2]) // 2, (box[1] + box[3]) // 2


def state(app):
    """"Normal" or "Iconic", as the window manager last set it."""
    return next((s for s in ("Normal", "Iconic") if s in app.xprop("WM_STATE")), None)


def hover(app, point):
    app.run("xdotool", "mousemove", "--window", app.window, *point)
    return app.settled()


def controls(program):
    h.case = "controls: quiet at rest, clear under the pointer, nothing else covered"
    sink = Sink()
    app = Program(program)
    rest = hover(app, AWAY)
    for kind, box in RIGHT.items():
        lit = hover(app, centre(box))
        changed = changed_box(rest, lit)
        check(inside(changed, box, 1), f"{kind}: hovering changed {changed}, not just {box}")
        quiet, clear = striking(rest, box), striking(lit, box)
        check(0 < quiet and 4 * quiet < clear, f"{kind}: {quiet} pixels stand out at rest, {clear} lit")
    check(title_pixels(rest, blue) > 300, "the title lost pixels to the controls")

    h.case = "controls by the keyboard: minimise, restore, play on"
    hover(app, AWAY)
    app.run("xdotool", "windowfocus", "--sync", app.window)
    app.run("xdotool", "key", "Tab")  # from the button to the first control (the ring and order: tst_desktop)
    app.run("xdotool", "key", "Return")
    check(poll(lambda: state(app) == "Iconic", 5), f"not minimised: WM_STATE {app.xprop('WM_STATE')}")
    check(DISAPPEARED not in app.output(), "minimising took the screen away")
    app.run("xdotool", "windowactivate", "--sync", app.window)
    check(poll(lambda: state(app) == "Normal", 5), "not restored")

    # The press that is cut off: a clip long enough to be still sounding when the window closes.
    h.case = "the close control while a clip sounds"
    resources = ac.layout(program)
    names = ac.playlist_names(app.output()[len(APPEARED):].split(b"\n")[0] + b"\n", resources)
    # Found by file size, which follows a clip's length, rather than decoding each in turn.
    long = next(i for i, n in enumerate(names) if os.path.getsize(f"{resources}/{n.decode()}.m4a") > 8500)
    if long:
        app.click(long, 100)
        app.wait_for(press(long - 1))
    sink.quiet()
    mark = sink.mark()
    app.click()
    check(sink.onset_after(mark, 0.2) is not None, "no sound after the window came back")
    app.run("xdotool", "mousemove", "--window", app.window, *centre(RIGHT["close"]), "click", 1)
    check(poll(lambda: app.proc.poll() is not None, 10), "the close control did not close")
    status, out, err = app.finish()
    sink.quiet()
    # The sink hears a mono clip spread over two channels and mixed back down, at 0.707 of its
    # level: the file's threshold is raised to match.
    heard = h.loud_span(sink.samples(mark), 600) / h.RATE
    clip = h.loud_span(h.clip_samples(f"{resources}/{names[long].decode()}.m4a"), 850) / h.RATE
    sink.stop()
    check(clip > 0.5 and heard < clip - 0.2, f"the clip sounded {heard:.2f} s of {clip:.2f} s after the close control")
    check(out.endswith(b"".join(map(press, range(long + 1))) + DISAPPEARED), f"output {out[-80:]!r}")
    check(status == 0 and err == "", f"exit status {status}, stderr {err!r}")


def one_copy(program):
    h.case = "a second launch on the session bus"
    bus = h.SessionBus()
    first = Program(program, bus.env)
    first.settled()
    first.click()
    first.wait_for(press(0))
    # Minimised and so inactive: the second launch must bring it back and give it the focus.
    first.run("xdotool", "mousemove", "--window", first.window, *centre(RIGHT["minimize"]), "click", 1)
    check(poll(lambda: state(first) == "Iconic", 5), "the minimise control did not minimise")
    second = Program(program, bus.env, window=False)
    poll(lambda: second.proc.poll() is not None, 10)
    status, out, err = second.finish(signal.SIGKILL)
    check(status == 0 and out == b"" and err == "", f"second launch: {status}, {out[:80]!r}, {err[-200:]!r}")
    active = lambda: first.run("xdotool", "getactivewindow").strip() == first.window  # noqa: E731
    check(poll(lambda: state(first) == "Normal" and active(), 5), "the running window did not come forward")
    windows = first.run("xdotool", "search", "--onlyvisible", "--class", "Klonkel").split()
    check(windows == [first.window], f"windows {windows}")
    first.click()
    first.wait_for(press(1))
    status, out, err = first.finish()
    check(status == 0 and err == "" and out.endswith(press(0) + press(1) + DISAPPEARED), f"output {out[-80:]!r}")
    bus.stop()

    # The second of these takes its controls' side from the desktop's settings: on the left.
    h.case = "two launches without a session bus"
    with tempfile.TemporaryDirectory(prefix="klonkel-gsettings-") as bin:
        with open(f"{bin}/gsettings", "w") as fake:
            fake.write("#!/bin/sh\n[ \"$*\" = 'get org.gnome.desktop.wm.preferences button-layout' ]"
                       " && echo \"'close,minimize:appmenu'\"\n")
        os.chmod(f"{bin}/gsettings", 0o755)
        gnome = {"PATH": f"{bin}:{os.environ['PATH']}", "XDG_CURRENT_DESKTOP": "GNOME"}
        apps = [Program(program), Program(program, gnome)]
        check(all(a.window for a in apps) and apps[0].window != apps[1].window, "not two windows")
        h.case = "controls on the left, as the desktop's settings say"
        left = apps[1]
        rest = hover(left, AWAY)
        changed = changed_box(rest, hover(left, centre(LEFT["close"])))
        check(inside(changed, LEFT["close"], 1), f"hovering the left close control changed {changed}")
        left.run("xdotool", "click", 1)
        check(poll(lambda: left.proc.poll() is not None, 10), "the left close control did not close")
        h.case = "two launches without a session bus"
        for app, how in zip(apps, (signal.SIGTERM, None)):
            status, out, _ = app.finish(how)
            check(status == 0 and out.startswith(APPEARED) and out.endswith(DISAPPEARED), f"exit status {status}")


def main():
    program = os.path.abspath(sys.argv[1])
    wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        managed = ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]
        check(poll(lambda: "window id" in subprocess.run(managed, capture_output=True, text=True).stdout, 10),
              "openbox did not start")
        controls(program)
        one_copy(program)
    finally:
        wm.terminate()
        wm.wait(10)
    h.report("window")


if __name__ == "__main__":
    main()
