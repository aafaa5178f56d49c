#!/usr/bin/python3
"""What a screen reader finds and can do: a real AT-SPI client (pyatspi) on a private session bus
with its own accessibility bus, against the running program:   screen_reader_checks.py PROGRAM
Needs the distribution's Python, whose packages hold the AT-SPI bindings."""
import os, subprocess, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../bench"))
import harness as h  # noqa: E402
from harness import APPEARED, DISAPPEARED, Program, Sink, check, poll, press  # noqa: E402

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def main():
    program = os.path.abspath(sys.argv[1])
    # A session bus of our own and the accessibility bus launched on it, as a desktop session has.
    bus = h.SessionBus()
    os.environ.update(bus.env)  # before the bindings connect, so that they find our buses
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    asked = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"]
    check(poll(lambda: subprocess.run(asked, capture_output=True).returncode == 0, 10), "no accessibility bus")
    import pyatspi

    h.case = "a screen reader on the accessibility bus"
    sink = Sink()
    app = Program(program, {**bus.env, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    app.settled()
    desktop = pyatspi.Registry.getDesktop(0)
    klonkel = poll(lambda: next((a for a in desktop if a and a.name == "Klonkel"), None), 10, 0.2)
    check(klonkel, "no application \"Klonkel\" among " + repr([a.name for a in desktop]))
    framed = lambda a: a.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)  # noqa: E731
    window = klonkel and pyatspi.findDescendant(klonkel, framed, True)
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
