#!/usr/bin/env python3
"""Benchmark of the whole setup run: Setup.exe with a ~64 MB payload, silent, under the test
world's Wine prefix.

  bench/setup/run [--rounds N]

It runs with "/hide" and the test engine, which exits at once. Reported: wall time of the whole
run, time spent extracting, peak resident memory of the setup's process (VmHWM of its Wine
process), and the size of the stub.

The wall time includes the fixed waits that the setup run prescribes (WaitPumping before and
after extraction, around the engine, the 500 ms polls); they are measured separately with a
package that holds only the engine, and the extraction time is read from the stub's own
"UnCompressTime: N MS" debug line and cross-checked as wall(full) - wall(engine only).
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from winebench import make_payload, pids_matching, vm_hwm_kb, wine_env, winpath  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "bench-setup")
WINE_DIR = os.path.join(ROOT, "build", "host", "wine")
# The shipped 32-bit programs.
WIN = os.path.join(ROOT, "build", "win")
STUB = os.path.join(WIN, "src", "stub.exe")
ENGINE = os.path.join(WIN, "tools", "testkit", "engine", "engine.exe")
LAUNCH = os.path.join(WIN, "tools", "testkit", "launch", "launch.exe")
VDEBUG = os.path.join(WIN, "tools", "vdebug", "vdebug.exe")
MKPACK = os.path.join(ROOT, "build", "host", "tools", "mkpack", "mkpack")


def run_measured(env, command_line, exe_name):
    """Runs command_line through the launcher; wall seconds, peak RSS in KB, exit code."""
    cmd_file = os.path.join(WORK, "launch.txt")
    with open(cmd_file, "w") as f:
        f.write(command_line + "\r\n")
    start = time.monotonic()
    proc = subprocess.Popen(["wine", LAUNCH, winpath(cmd_file)], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    peak = 0
    while proc.poll() is None:
        for pid in pids_matching(exe_name):
            peak = max(peak, vm_hwm_kb(pid))
        time.sleep(0.01)
    wall = time.monotonic() - start
    return wall, peak, proc.returncode


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rounds", type=int, default=3)
    args = ap.parse_args()
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    payload = os.path.join(WORK, "payload")
    make_payload(payload)
    total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(payload) for f in fs)

    ours = os.path.join(WORK, "Setup.exe")
    subprocess.run([MKPACK, "build", "--stub", STUB, "--files", payload, "--engine", ENGINE, "--out", ours,
                    "--quiet"], check=True)
    empty = os.path.join(WORK, "empty")
    os.makedirs(empty)
    engine_only = os.path.join(WORK, "EngineOnly.exe")
    subprocess.run([MKPACK, "build", "--stub", STUB, "--files", empty, "--engine", ENGINE, "--out", engine_only,
                    "--quiet"], check=True)

    env = wine_env(WINE_DIR)
    subprocess.run(["wine", "cmd", "/c", "exit", "0"], env=env, check=True)
    debug = os.path.join(WORK, "debug.txt")
    open(debug, "w").close()
    viewer = subprocess.Popen(["wine", VDEBUG, "--out", winpath(debug)], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    time.sleep(1.0)

    rows = {"ours": [], "ours-engine-only": []}
    for r in range(args.rounds):
        for name, cmd, exe in [("ours", winpath(ours) + " /hide", "Setup.exe"),
                               ("ours-engine-only", winpath(engine_only) + " /hide", "EngineOnly.exe")]:
            wall, peak, rc = run_measured(env, cmd, exe)
            rows[name].append((wall, peak, rc))
    subprocess.run(["wine", VDEBUG, "--stop"], env=env)
    viewer.wait(timeout=30)
    with open(debug, "rb") as f:
        text = f.read().decode("latin-1")
    unc = [int(m) for m in re.findall(r"UnCompressTime: (\d+) MS", text)]
    ours_unc = unc[0::2] if len(unc) >= 2 * args.rounds else unc  # full package, then engine only

    def med(name, i):
        return statistics.median(row[i] for row in rows[name])

    stub_size = os.path.getsize(STUB)
    print("payload: %d files, %.1f MB; package %.1f MB" % (32, total / 1048576, os.path.getsize(ours) / 1048576))
    print("rounds: %d (medians)" % args.rounds)
    print("%-26s %10s %12s %10s" % ("", "wall s", "peak RSS MB", "exit"))
    for name in rows:
        print("%-26s %10.2f %12.1f %10s" % (name, med(name, 0), med(name, 1) / 1024,
                                             ",".join(str(r[2]) for r in rows[name])))
    fixed = med("ours-engine-only", 0)
    print("ours: fixed waits and engine start (engine-only package): %.2f s" % fixed)
    print("ours: extraction, wall(full) - wall(engine only):        %.2f s" % (med("ours", 0) - fixed))
    if ours_unc:
        print("ours: extraction as the stub reports it (UnCompressTime): %.2f s (%s)" %
              (statistics.median(ours_unc) / 1000, ", ".join("%d ms" % u for u in ours_unc)))
    print("stub size: %d bytes (%.1f KB)" % (stub_size, stub_size / 1024))

if __name__ == "__main__":
    sys.exit(main())
