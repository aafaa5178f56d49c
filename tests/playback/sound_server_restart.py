#!/usr/bin/env python3
"""The sound server goes away and comes back: the press tool keeps every line and sounds again.

Runs its own private PulseAudio daemons (not the session's), so killing them disturbs no other
test. Case "restart": killed while a clip plays, started again. Case "late": no server at start.
    sound_server_restart.py PRESS_TOOL RESOURCE_DIR [CASE ...]
"""
import os
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools/sound-server.sh")


def start_server(runtime):
    """A private server of the session's kind (see tools/sound-server.sh), in its own group."""
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, PULSE_RUNTIME_PATH=runtime + "/pulse")
    env.pop("PULSE_SERVER", None)
    daemon = subprocess.Popen([SERVER], env=env, start_new_session=True)
    for _ in range(100):
        info = subprocess.run(["pactl", "info"], env=env, capture_output=True, text=True)
        if "Default Sink: klonkel_null" in info.stdout:
            break
        time.sleep(0.05)
    return daemon, env


def stop_server(daemon, sig):
    os.killpg(daemon.pid, sig)
    daemon.wait()


def peak(raw):
    values = struct.unpack(f"<{len(raw) // 2}h", raw)
    return max((abs(v) for v in values), default=0) / 32768


def record_presses(tool, env, presses):
    """Presses `presses` times while recording the monitor; the recording's peak level."""
    parec = subprocess.Popen(["parec", "--device=@DEFAULT_MONITOR@", "--raw", "--format=s16le",
                              "--rate=48000", "--channels=1", "--latency-msec=5"],
                             env=env, stdout=subprocess.PIPE)
    chunks = []
    reader = threading.Thread(target=lambda: chunks.extend(iter(lambda: os.read(parec.stdout.fileno(), 65536), b"")),
                              daemon=True)
    reader.start()
    deadline = time.monotonic() + 5
    while sum(map(len, list(chunks))) < 28800 and time.monotonic() < deadline:  # monitor flowing
        time.sleep(0.02)
    for _ in range(presses):
        tool.stdin.write(b"\n")
        tool.stdin.flush()
        time.sleep(0.6)
    time.sleep(1.5)  # the monitor delivers with the sink's latency
    parec.terminate()
    parec.wait()
    reader.join(timeout=5)
    return peak(b"".join(chunks))


def run_case(name, tool_path, resources, runtime):
    failures = []
    server_env = None
    daemon = None
    if name == "restart":
        daemon, server_env = start_server(runtime)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, PULSE_RUNTIME_PATH=runtime + "/pulse")
    env.pop("PULSE_SERVER", None)
    tool = subprocess.Popen([tool_path, resources], env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    tool.stdin.write(b"\n")
    tool.stdin.flush()
    time.sleep(0.3)
    if daemon:
        stop_server(daemon, signal.SIGKILL)  # while the first clip plays
    time.sleep(0.3)
    tool.stdin.write(b"\n")  # a press with no server
    tool.stdin.flush()
    time.sleep(0.3)
    daemon, server_env = start_server(runtime)
    level = record_presses(tool, server_env, 2)
    tool.stdin.close()
    out = tool.stdout.read().decode()
    code = tool.wait(timeout=10)
    stop_server(daemon, signal.SIGTERM)
    expected = "".join(f"button Tapped\n{i}\n264\n" for i in range(4))
    if out != expected:
        failures.append(f"{name}: output was {out!r}")
    if code != 0:
        failures.append(f"{name}: exit status {code}")
    if level < 0.05:
        failures.append(f"{name}: no sound after the server came back (peak {level:.3f})")
    return failures


def main():
    tool, resources = sys.argv[1], sys.argv[2]
    cases = sys.argv[3:] or ["restart", "late"]
    failures = []
    for case in cases:
        with tempfile.TemporaryDirectory(prefix="klonkel-restart-") as runtime:
            failures += run_case(case, tool, resources, runtime)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(cases) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
