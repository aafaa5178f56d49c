#!/usr/bin/env python3
"""The built program under hard conditions, driven from outside on a real X server:
SIGTERM and SIGINT close it like the user does; a closed or broken standard output does not
stop it; a missing picture or resources folder still starts it, with one clear message.
    robustness.py KLONKEL
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

APPEARED = b"ContentView appeared!\n"
DISAPPEARED = b"ContentView disappeared!\n"
DECODER = "klonkel-clip-decoder.so"
failures = []


def check(case, condition, message):
    if not condition:
        failures.append(f"{case}: {message}")


def window_of(pid):
    for _ in range(100):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[0]
        time.sleep(0.1)
    return None


def press(pid):
    """Clicks the main button once the window is up and the button has grown."""
    window = window_of(pid)
    if window:
        time.sleep(1.3)
        subprocess.run(["xdotool", "mousemove", "--window", window, "250", "180", "click", "1"])
    return window is not None


def run(case, command, stdout, signal_to_send=signal.SIGTERM, presses=1, cwd=None):
    """Starts, presses, signals; returns (exit status, stdout bytes or b'', stderr text)."""
    app = subprocess.Popen(command, stdout=stdout, stderr=subprocess.PIPE, cwd=cwd,
                           pass_fds=() if stdout is not None else ())
    shown = all(press(app.pid) for _ in range(presses))
    check(case, shown, "no window appeared")
    time.sleep(0.5)
    check(case, app.poll() is None, f"ended early with status {app.returncode}")
    app.send_signal(signal_to_send)
    try:
        _, err = app.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        app.kill()
        failures.append(f"{case}: did not end after {signal_to_send.name}")
        return None, ""
    return app.returncode, err.decode(errors="replace")


def ended(app):
    """Exit status once it ends, or None (after killing it) if it hangs."""
    try:
        return app.wait(timeout=20)
    except subprocess.TimeoutExpired:
        app.kill()
        app.wait()
        return None


def with_output_file(case, command, **kwargs):
    with tempfile.TemporaryFile() as out:
        status, err = run(case, command, out, **kwargs)
        out.seek(0)
        return status, out.read(), err


def main():
    klonkel = os.path.abspath(sys.argv[1])

    for sig in (signal.SIGTERM, signal.SIGINT):
        case = sig.name
        status, out, err = with_output_file(case, [klonkel], signal_to_send=sig)
        check(case, status == 0, f"exit status {status}")
        check(case, out.startswith(APPEARED) and out.endswith(b"264\n" + DISAPPEARED),
              f"output {out[-80:]!r}")
        check(case, err == "", f"stderr {err!r}")

    # Standard output closed before start: writes fail, presses still play, nothing dies.
    case = "stdout closed"
    app = subprocess.Popen([klonkel], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                           preexec_fn=lambda: os.close(1))
    check(case, press(app.pid), "no window appeared")
    time.sleep(0.5)
    check(case, app.poll() is None, f"ended early with status {app.returncode}")
    app.terminate()
    status = ended(app)
    check(case, status == 0, f"exit status {status}")

    # A reader that goes away after one line (as `klonkel | head -1`): no SIGPIPE death.
    case = "broken pipe"
    app = subprocess.Popen([klonkel], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    first = app.stdout.readline()
    app.stdout.close()
    check(case, first == APPEARED, f"first line {first!r}")
    check(case, press(app.pid) and press(app.pid), "no window appeared")
    time.sleep(0.5)
    check(case, app.poll() is None, f"killed with status {app.returncode}")
    app.terminate()
    status = ended(app)
    check(case, status == 0, f"exit status {status}")

    # Copies of the program beside incomplete resources.
    shipped = os.path.join(os.path.dirname(klonkel), "resources")
    with tempfile.TemporaryDirectory(prefix="klonkel-robust-") as root:
        for case, decoder, clips in (("missing picture", True, True),
                                     ("missing resources folder", True, False),
                                     ("missing clip decoder", False, True)):
            home = os.path.join(root, case.replace(" ", "-"))
            os.makedirs(home)
            shutil.copy(klonkel, home)
            if decoder:
                shutil.copy(os.path.join(os.path.dirname(klonkel), DECODER), home)
            if clips:
                os.makedirs(os.path.join(home, "resources"))
                for name in os.listdir(shipped):
                    # The picture stays only where something else is missing.
                    if name.endswith(".m4a") or not decoder:
                        os.symlink(os.path.join(shipped, name), os.path.join(home, "resources", name))
            status, out, err = with_output_file(case, [os.path.join(home, "klonkel")])
            check(case, status == 0, f"exit status {status}")
            # Without the decoder the press still counts; its clip cannot play.
            pressed = b"button Tapped\n0\n264\n" + (b"" if decoder else b"error\n")
            check(case, out.startswith(APPEARED) and pressed in out
                  and out.count(b"error") == (0 if decoder else 1)
                  and out.endswith(DISAPPEARED), f"output {out[-80:]!r}")
            lines = err.splitlines()
            wanted = ("clip decoder" if not decoder else "Pellmor" if clips
                      else "resources folder")
            check(case, len(lines) == 1 and wanted in lines[0] and home in lines[0],
                  f"stderr {err!r}")

    for failure in failures:
        print("FAIL:", failure)
    cases = 7
    failed = len({f.split(":")[0] for f in failures})
    print(f"{cases - failed} passed, {failed} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
