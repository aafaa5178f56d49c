#!/usr/bin/python3
"""What a screen reader finds and can do: a real AT-SPI client (pyatspi) on a private session bus
with its own accessibility bus, against the running program, with app_checks.py's harness:
    screen_reader_checks.py PROGRAM
Needs the distribution's Python, whose packages hold the AT-SPI bindings."""
import os, subprocess, sys

import app_checks as ac
from app_checks import APPEARED, DISAPPEARED, App, Sink, check, poll, press

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def private_buses():
    """A session bus of our own and the accessibility bus launched on it, as a desktop session has."""
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip())
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    asked = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"]
    check(poll(lambda: subprocess.run(asked, env=env, capture_output=True).returncode == 0, 10),
          "the accessibility bus did not start")
    return [launcher, bus], env


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
    processes, env = private_buses()
    os.environ.update(env)  # before the bindings connect, so that they find our buses
    import pyatspi

    ac.case = "a screen reader on the accessibility bus"
    sink = Sink()
    app = App(program, {"DBUS_SESSION_BUS_ADDRESS": env["DBUS_SESSION_BUS_ADDRESS"],
                        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
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

    # Tab moves the focus from the button to the controls and back, as the screen reader sees it.
    focused = lambda b: b.getState().contains(pyatspi.STATE_FOCUSED)  # noqa: E731
    app.run("xdotool", "windowfocus", "--sync", app.window)
    order = []
    for _ in range(3):
        app.run("xdotool", "key", "Tab")
        order.append(poll(lambda: next((n for n, b in buttons.items() if focused(b)), None), 3))
    check(order == ["Minimise", "Close", "Play the next clip"], f"focus went {order} on Tab")

    status, out, err = app.finish()
    check(status == 0 and err == "" and out.startswith(APPEARED) and out.endswith(press(0) + DISAPPEARED),
          f"exit status {status}, output {out[-80:]!r}, stderr {err[-300:]!r}")
    sink.stop()
    for process in processes:
        process.terminate()
        process.wait(10)
    ac.report("screen reader")


if __name__ == "__main__":
    main()
