#!/usr/bin/python3
"""What a screen reader finds and can do: a real AT-SPI client (pyatspi) on a private session bus
with its own accessibility bus, against the running program:
    screen_reader_checks.py PROGRAM
Needs the distribution's Python, whose packages hold the AT-SPI bindings."""
import os, subprocess, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../bench"))
import harness as h  # noqa: E402
from harness import APPEARED, DISAPPEARED, Program, Sink, check, poll, press  # noqa: E402

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def private_buses():
    """A session bus of our own and the accessibility bus launched on it, as a desktop session has."""
    bus = h.SessionBus()
    env = dict(os.environ, **bus.env)
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    asked = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"]
    check(poll(lambda: subprocess.run(asked, env=env, capture_output=True).returncode == 0, 10),
          "the accessibility bus did not start")
    return launcher, bus, env


def find(node, test):
    """The first accessible below node (node included) that passes test, breadth first."""
    pending = [node]
    while pending:
        here = pending.pop(0)
        if here is not None and test(here):
            return here
        pending += [here.getChildAtIndex(i) for i in range(here.childCount)] if here is not None else []
    return None


def main():
    program = os.path.abspath(sys.argv[1])
    launcher, bus, env = private_buses()
    os.environ.update(env)  # before the bindings connect, so that they find our buses
    import pyatspi

    h.case = "a screen reader on the accessibility bus"
    sink = Sink()
    app = Program(program, {**bus.env, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    app.settled()
    desktop = pyatspi.Registry.getDesktop(0)
    klonkel = poll(lambda: find(desktop, lambda a: a.getRole() == pyatspi.ROLE_APPLICATION
                                and a.name == "Klonkel"), 10, 0.2)
    check(klonkel, "no application \"Klonkel\" among " + repr([a.name for a in desktop]))
    window = klonkel and find(klonkel, lambda a: a.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))
    check(window and window.name == "Klonkel", f"its window: {window}")
    pushable = lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON  # noqa: E731
    buttons = {b.name: b for b in pyatspi.findAllDescendants(window, pushable)} if window else {}
    check(set(buttons) == {"Play the next clip", "Close", "Minimise"}, f"push buttons {sorted(buttons)}")

    play = buttons.get("Play the next clip")
    if play:
        action = play.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        check("press" in names or "Press" in names, f"the button's actions {names}")
        mark = sink.mark()
        action.doAction(names.index("press" if "press" in names else "Press"))
        app.wait_for(press(0))
        check(sink.onset_after(mark) is not None, "the press through the screen reader did not sound")

    status, out, err = app.finish()
    check(status == 0 and err == "" and out.startswith(APPEARED) and out.endswith(press(0) + DISAPPEARED),
          f"exit status {status}, output {out[-80:]!r}, stderr {err[-300:]!r}")
    sink.stop()
    launcher.terminate()
    launcher.wait(10)
    bus.stop()
    h.report("screen reader")


if __name__ == "__main__":
    main()
