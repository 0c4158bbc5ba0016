#!/usr/bin/env python3
"""The resident agent at rest: X_SampleAU.exe (the shipped stub, started as an installed agent
whose next check is a day away) beside idlefloor (a hidden window with a one-second timer, built
the same way) and idlereads (the same floor, whose tick also reads the five values an idle agent's
tick reads from its installed-version file, through the same profile call), all idle for the same
span under the same Wine.

  bench/agentidle/run [--seconds N] [--settle N] [--trace N] [--build DIR]

--build takes the programs from another Windows build tree (a 64-bit one runs without emulation
where the kernel runs no 32-bit program, which shows what emulation adds).

Read at the start (after the settle time) and at the end, for each program:
- from inside Windows (procstat): working set, private bytes, handles, GDI and USER objects,
  processor time;
  Wine answers the handle, GDI and USER counts and the private bytes of another process with 0, so
  the address space walk stands in for memory: committed private memory (heaps, stacks), images;
- from Linux (the Wine process; under emulation the emulator's process, whose translated code
  counts in its resident size): resident size, processor time (user + system, all threads),
  context switches and open descriptors;
- wake-ups: after the end reading, each program is traced (strace) for --trace seconds; a wake-up
  is a burst of system calls after at least 100 ms of sleep.
Printed: the figures at both ends, processor time per idle hour, wake-ups per second, and the
differences to the floor. idlereads shows what the reads alone cost: the part of the agent's figure
that its per-tick reading of the file brings, apart from the agent's own code.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from winebench import cpu_ms, in_prefix, pids_matching, wine_env, winpath  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MKPACK = os.path.join(ROOT, "build", "host", "tools", "mkpack", "mkpack")
WORK = os.path.join(ROOT, "build", "bench-agentidle")


def seconds_clock_now():
    """The agent's seconds clock: local time in whole seconds since 1899-12-30."""
    t = time.localtime()
    import datetime
    days = (datetime.date(t.tm_year, t.tm_mon, t.tm_mday) - datetime.date(1899, 12, 30)).days
    return days * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec


def linux_stats(pid):
    rss = 0
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
    switches = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:")):
                    switches += int(line.split()[1])
    return {"rss_kb": rss, "linux_cpu_ms": cpu_ms(pid), "switches": switches,
            "threads": len(os.listdir("/proc/%d/task" % pid)), "fds": len(os.listdir("/proc/%d/fd" % pid))}


def wake_ups(pid, seconds):
    """Bursts of system calls separated by at least 100 ms of quiet, per second."""
    trace = os.path.join(WORK, "trace.%d" % pid)
    subprocess.run(["timeout", str(seconds), "strace", "-f", "-ttt", "-qq", "-o", trace, "-p", str(pid)],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stamps = []
    with open(trace) as f:
        for line in f:
            m = re.match(r"(?:\d+\s+)?(\d+\.\d+)", line)
            if m:
                stamps.append(float(m.group(1)))
    stamps.sort()
    bursts = sum(1 for a, b in zip([None] + stamps, stamps) if a is None or b - a >= 0.1)
    return bursts / seconds


def windows_stats(env, name, procstat):
    out = subprocess.run(["wine", procstat, name], env=env, capture_output=True, text=True, timeout=120).stdout
    return {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", out)}


def snapshot(env, name, pid, procstat):
    s = windows_stats(env, name, procstat)
    s.update(linux_stats(pid))
    s["at"] = time.monotonic()
    return s


def wait_pid(name, prefix, timeout=120):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        pids = [p for p in pids_matching(name) if in_prefix(p, prefix)]
        if pids:
            return max(pids)
        time.sleep(0.5)
    raise SystemExit("bench: %s did not start" % name)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=int, default=600)
    ap.add_argument("--settle", type=int, default=30)
    ap.add_argument("--trace", type=int, default=30)
    ap.add_argument("--wine-dir", required=True)
    ap.add_argument("--build", default=os.path.join(ROOT, "build", "win"))
    args = ap.parse_args()
    stub = os.path.join(args.build, "src", "stub.exe")
    floor_exe = os.path.join(args.build, "bench", "idlefloor.exe")
    launch = os.path.join(args.build, "tools", "testkit", "launch", "launch.exe")
    shutil.rmtree(WORK, ignore_errors=True)
    app = os.path.join(WORK, "app")
    os.makedirs(app)
    payload = os.path.join(WORK, "payload")
    os.makedirs(payload)
    with open(os.path.join(payload, "readme.txt"), "w") as f:
        f.write("idle\n")
    ini = os.path.join(WORK, "agent.ini")
    with open(ini, "w") as f:
        f.write("[Package]\nStub = %s\nFiles = %s\nOutput = %s\n[Options]\nAutoUpdateAgent = 1\n"
                "[Update]\nInfoUrl = http://127.0.0.1:9/none\nInfoFile = Update.info\nAgentExe = SampleAU.exe\n"
                "Token = IDLE-2026\n" % (stub, payload, os.path.join(app, "SampleAU.exe")))
    subprocess.run([MKPACK, "build", ini, "--quiet"], check=True)
    # Installed version 1, checked a moment ago, next check in a day: the agent only ticks.
    now = seconds_clock_now()
    with open(os.path.join(app, "Update.original"), "w") as f:
        f.write("[OriginalSetup]\r\nVersionOriginal=1\r\nProbeSecondsInterval=86400\r\nProbeSecondsLast=%d\r\n" % now)

    env = wine_env(args.wine_dir)
    subprocess.run(["wine", "cmd", "/c", "exit", "0"], env=env, check=True)
    life = str(args.seconds + args.settle + 120)
    floor = subprocess.Popen(["wine", floor_exe, life], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The same floor under another name, so that it can be told apart, reading the agent's file.
    reads_exe = os.path.join(WORK, "idlereads.exe")
    shutil.copy(floor_exe, reads_exe)
    reads = subprocess.Popen(["wine", reads_exe, life, "--reads", winpath(os.path.join(app, "Update.original"))],
                             env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    cmd_file = os.path.join(WORK, "launch.txt")
    with open(cmd_file, "w") as f:
        f.write(winpath(os.path.join(app, "SampleAU.exe")) + "\r\n")
    subprocess.run(["wine", launch, winpath(cmd_file)], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    prefix = env["WINEPREFIX"]
    programs = {"X agent": ("X_SampleAU.exe", wait_pid("X_SampleAU.exe", prefix)),
                "floor": ("idlefloor.exe", wait_pid("idlefloor.exe", prefix)),
                "reads": ("idlereads.exe", wait_pid("idlereads.exe", prefix))}
    time.sleep(args.settle)
    start = {k: snapshot(env, n, p, os.path.join(args.build, "bench", "procstat.exe")) for k, (n, p) in programs.items()}
    time.sleep(args.seconds)
    end = {k: snapshot(env, n, p, os.path.join(args.build, "bench", "procstat.exe")) for k, (n, p) in programs.items()}
    wakes = {k: wake_ups(p, args.trace) for k, (n, p) in programs.items()}
    # The agent ends at its next tick; the floor is closed with the world.
    subprocess.run(["wine", os.path.join(app, "SampleAU.exe"), "/STOP=0"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    floor.kill()
    reads.kill()

    print("idle for %d s (after %d s settling); stub %d bytes" % (args.seconds, args.settle, os.path.getsize(stub)))
    keys = [("committed_private", "private KB", 1024), ("committed_image", "images KB", 1024),
            ("committed_mapped", "mapped KB", 1024), ("ws", "working set KB", 1024), ("rss_kb", "Linux RSS KB", 1),
            ("fds", "Linux descriptors", 1), ("threads", "Linux threads", 1), ("private", "private bytes*", 1024),
            ("handles", "handles*", 1), ("gdi", "GDI objects*", 1), ("user", "USER objects*", 1)]
    print("%-18s" % "" + "".join("%14s%14s" % (name + " start", name + " end") for name in programs))
    for key, label, div in keys:
        print("%-18s" % label + "".join("%14d%14d" % (start[name].get(key, -1) // div, end[name].get(key, -1) // div)
                                        for name in programs))
    for name in programs:
        span = end[name]["at"] - start[name]["at"]
        cpu_linux = end[name]["linux_cpu_ms"] - start[name]["linux_cpu_ms"]
        switches = (end[name]["switches"] - start[name]["switches"]) / span
        print("%-8s CPU per idle hour: %.2f s; wake-ups: %.2f per second (%.1f context switches per second)" %
              (name, cpu_linux / span * 3.6, wakes[name], switches))
    a, f = end["X agent"], end["floor"]
    print("X agent above the floor at the end: private %+d KB, images %+d KB, RSS %+d KB" %
          ((a["committed_private"] - f["committed_private"]) // 1024,
           (a["committed_image"] - f["committed_image"]) // 1024, a["rss_kb"] - f["rss_kb"]))
    print("* Wine answers these with 0 for another process")


if __name__ == "__main__":
    sys.exit(main())
