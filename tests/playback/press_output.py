#!/usr/bin/env python3
"""The press tool's standard output checked from outside, byte for byte, across the rewind.

    press_output.py KLONKEL_PRESS ENTROPY_FAILURE_LIBRARY CATALOGUE

- at the end the tool waits for a reader that comes back (a one-page non-blocking pipe) and it
  gets every line whole and in order, the long playlist line included; for a reader that never
  reads (a one-page blocking pipe) it waits about a second, exits with status 0 and leaves whole
  lines;
- with getentropy() failing the shuffle still works (from /dev/urandom): two runs shuffle
  differently, each a permutation of the catalogue;
- with /dev/urandom refused as well the run ends with one line on standard error and status 1,
  not a signal.
The clips are taken from an empty folder, so nothing sounds and no sound server is needed.
"""

import fcntl
import os
import select
import subprocess
import sys
import tempfile
import time

F_SETPIPE_SZ = 1031
PRESSES = 300  # the 265th rewinds and prints the playlist line

press_tool, failure_library, catalogue_file = sys.argv[1:4]
with open(catalogue_file, encoding="utf-8") as f:
    catalogue = [line.rstrip("\n") for line in f if line.strip()]
assert len(catalogue) == 264
failures = []

# Under AddressSanitizer, no leak check: a run whose reader never reads ends, by design, with the
# line writer's thread still held in a write, owning its queue. (The unit tests check the output
# and random source code for leaks.)
base_env = dict(os.environ)
base_env["ASAN_OPTIONS"] = ":".join(filter(None, [base_env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
# Under ThreadSanitizer, no second's sleep at exit of its own: the exit's wait is what is timed.
base_env["TSAN_OPTIONS"] = ":".join(filter(None, [base_env.get("TSAN_OPTIONS"), "atexit_sleep_ms=0"]))


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def expected_lines(presses):
    """The lines of `presses` presses, with None where the rewind's playlist line goes."""
    lines, index = [], 0
    for _ in range(presses):
        lines += ["button Tapped", str(index), "264"]
        if index == 264:
            lines.append(None)
            index = 0
        index += 1
    return lines


def check_output(output, presses, label):
    """Checks every line byte for byte; returns the playlist line's names."""
    check(output.endswith(b"\n"), f"{label}: output does not end with a line feed")
    got = output.decode("utf-8", errors="replace").split("\n")[:-1]
    want = expected_lines(presses)
    check(len(got) == len(want), f"{label}: {len(got)} lines, expected {len(want)}")
    playlist = []
    for number, (line, wanted) in enumerate(zip(got, want), 1):
        if wanted is None:
            names = line[2:-2].split('", "') if line.startswith('["') and line.endswith('"]') else []
            check(sorted(names) == sorted(catalogue),
                  f"{label}: line {number} is not a playlist of the catalogue: {line[:80]!r}")
            playlist = names
        elif line != wanted:
            check(False, f"{label}: line {number} is {line[:80]!r}, expected {wanted!r}")
            break
    return playlist


def run_press(presses, env=base_env, stdout=subprocess.PIPE):
    empty = tempfile.mkdtemp(prefix="klonkel-no-clips.")
    try:
        return subprocess.run([press_tool, empty], input=b"\n" * presses, stdout=stdout,
                              stderr=subprocess.PIPE, env=env, timeout=60, check=False)
    finally:
        os.rmdir(empty)


def one_page_pipe(non_blocking):
    read_end, write_end = os.pipe()
    fcntl.fcntl(write_end, F_SETPIPE_SZ, 4096)
    if non_blocking:
        fcntl.fcntl(write_end, fcntl.F_SETFL, fcntl.fcntl(write_end, fcntl.F_GETFL) | os.O_NONBLOCK)
    return read_end, write_end


def run_to_the_end(write_end, read_end, reader_back_after):
    """Presses, then the end of input; returns the exit status, the seconds from the end of input
    to the exit, what the reader got, coming back `reader_back_after` seconds after the end of
    input (None: once the tool has exited), and standard error."""
    empty = tempfile.mkdtemp(prefix="klonkel-no-clips.")
    errors = tempfile.TemporaryFile()
    tool = subprocess.Popen([press_tool, empty], stdin=subprocess.PIPE, stdout=write_end,
                            stderr=errors, env=base_env)
    os.close(write_end)
    tool.stdin.write(b"\n" * PRESSES)
    tool.stdin.flush()
    select.select([read_end], [], [], 30)  # the tool is up and pressing
    tool.stdin.close()
    ended_input = time.monotonic()
    received = bytearray()
    if reader_back_after is not None:
        time.sleep(reader_back_after)
        while chunk := os.read(read_end, 65536):
            received.extend(chunk)
    try:
        status = tool.wait(timeout=30)
    except subprocess.TimeoutExpired:
        tool.kill()
        status = tool.wait()
    took = time.monotonic() - ended_input
    while chunk := os.read(read_end, 65536):
        received.extend(chunk)
    os.close(read_end)
    os.rmdir(empty)
    errors.seek(0)
    with errors:
        return status, took, bytes(received), errors.read()


def end_waits_for_the_reader_a_while():
    read_end, write_end = one_page_pipe(non_blocking=True)
    status, _, received, errors = run_to_the_end(write_end, read_end, reader_back_after=0.4)
    check(status == 0, f"reader back at the end: exit status {status}")
    check(errors == b"", f"reader back at the end: standard error {errors[:200]!r}")
    check_output(received, PRESSES, "reader back at the end")

    read_end, write_end = one_page_pipe(non_blocking=False)
    status, took, received, errors = run_to_the_end(write_end, read_end, reader_back_after=None)
    print(f"reader that never reads: exit {took:.2f} s after the end of input")
    check(status == 0, f"reader that never reads: exit status {status}")
    check(errors == b"", f"reader that never reads: standard error {errors[:200]!r}")
    check(took < 2, f"reader that never reads: exit {took:.2f} s after the end of input")
    want = "".join(line + "\n" for line in expected_lines(PRESSES) if line is not None).encode()
    check(len(received) > 0 and received.endswith(b"\n") and want.startswith(received),
          f"reader that never reads: not whole lines from the first: {received[-80:]!r}")


def failing_getentropy_falls_back():
    env = dict(base_env)
    # The stand-in comes before a sanitizer's runtime in the list of libraries; that is fine.
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    env["LD_PRELOAD"] = failure_library
    with tempfile.TemporaryDirectory() as folder:
        env["KLONKEL_ENTROPY_CALLS"] = os.path.join(folder, "calls")
        playlists = []
        for run in (1, 2):
            result = run_press(PRESSES, env)
            check(result.returncode == 0, f"fallback run {run}: exit status {result.returncode}")
            check(result.stderr == b"", f"fallback run {run}: standard error {result.stderr[:200]!r}")
            playlists.append(check_output(result.stdout, PRESSES, f"fallback run {run}"))
        check(os.path.exists(env["KLONKEL_ENTROPY_CALLS"]), "the failing getentropy was never called")
    check(playlists[0] != playlists[1], "two runs shuffled the same way")
    check(playlists[0] != catalogue, "the shuffle left the catalogue order")

    env["KLONKEL_NO_URANDOM"] = "1"
    result = run_press(PRESSES, env)
    check(result.returncode == 1, f"no random source: exit status {result.returncode}, expected 1")
    check(result.stderr == b"klonkel: no source of random numbers: getentropy: Function not "
                           b"implemented; /dev/urandom: Permission denied\n",
          f"no random source: standard error {result.stderr!r}")
    # Every press up to the rewind was answered; the rewind's shuffle is where it ends.
    want = "".join(line + "\n" for line in expected_lines(265)[:-1]).encode()
    check(result.stdout == want, "no random source: standard output differs before the rewind")


end_waits_for_the_reader_a_while()
failing_getentropy_falls_back()
print("FAILED" if failures else "PASSED", f"({len(failures)} failures)")
sys.exit(1 if failures else 0)
