#!/usr/bin/env python3
"""The stub's extraction under Wine against its floor on the same Wine: two packages, each run
silently by our Setup.exe (the test engine as its engine) and by extractfloor, which writes the same
entries with the system's own file calls only.

  bench/extractwin/run [--files N] [--large-mb M] [--runs R] [--only small|large|none] [--waits RUNS]
                       [--stub LABEL=PATH]...

- small: N files (default 10000) of 40 to 400 bytes of text in 24 folders, as a product's
  translations, help pages and plug-in files come;
- large: two files of M MiB each (default 512, so 1 GiB), a quarter random bytes and the rest
  text, which zlib packs to a little under 60 %.

Reported per package and program, best and median over the runs: the extraction's own time (the
stub's "UnCompressTime: N MS" debug line; extractfloor's "FloorTime: N MS", the same span); the
processor time spent meanwhile by the program's Wine process and by the prefix's wineserver (read
from /proc when the first and the last line of the span arrive; on a machine that others keep busy
it says what the extraction costs better than the time on the clock); and the peak resident memory
of the program's Wine process (VmHWM). Stub and floor take turns, after one unmeasured round of
each. Packages are kept in build/bench-extractwin and made again only when the stub or the
parameters change.

--stub LABEL=PATH measures another stub.exe (an earlier build, say) in the same run, with packages
of its own.

--waits RUNS times the fixed waits of the setup run (before and after the extraction, around the
engine) from the arrival times of the stub's debug lines, with an engine that ends at once and one
that works for 1250 ms (so its end falls between two looks of the stub).
"""
import argparse
import hashlib
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from winebench import DebugViewer, cpu_ms, pids_matching, vm_hwm_kb, wine_env, winpath  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "bench-extractwin")
WIN = os.path.join(ROOT, "build", "win")
STUB = os.path.join(WIN, "src", "stub.exe")
ENGINE = os.path.join(WIN, "tools", "testkit", "engine", "engine.exe")
LAUNCH = os.path.join(WIN, "tools", "testkit", "launch", "launch.exe")
VDEBUG = os.path.join(WIN, "tools", "vdebug", "vdebug.exe")
FLOOR = os.path.join(WIN, "bench", "extractfloor.exe")
MKPACK = os.path.join(ROOT, "build", "host", "tools", "mkpack", "mkpack")


def text_bytes(rng, words, size):
    chunks, n = [], 0
    while n < size:
        w = words[rng.randrange(len(words))] + (b"\n" if rng.random() < 0.1 else b" ")
        chunks.append(w)
        n += len(w)
    return b"".join(chunks)[:size]


def make_small(folder, files):
    rng = random.Random(15)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(3000)]
    for i in range(files):
        path = os.path.join(folder, "part%02d" % (i % 24), "item%05d.txt" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text_bytes(rng, words, rng.randint(40, 400)))


def make_large(folder, mb):
    rng = random.Random(16)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(3000)]
    text = text_bytes(rng, words, 4 << 20)
    os.makedirs(folder, exist_ok=True)
    for name in ("large1.bin", "large2.bin"):
        with open(os.path.join(folder, name), "wb") as f:
            for i in range(mb):
                f.write(rng.randbytes(256 * 1024))
                at = (i * 7919 * 4096) % (len(text) - 768 * 1024)
                f.write(text[at:at + 768 * 1024])


def package(kind, args, label, stub):
    """The setup file of one benchmark package made with the given stub, made again when the stub or
    the parameters changed."""
    params = {"small": "files=%d" % args.files, "large": "mb=%d quarter random" % args.large_mb,
              "engine": "engine only"}[kind]
    with open(stub, "rb") as f:
        key = "%s %s %s" % (kind, params, hashlib.sha256(f.read()).hexdigest())
    base = os.path.join(WORK, re.sub(r"[^a-z0-9=]+", "-", kind + " " + params))
    setup = os.path.join(base, label, "Setup.exe")
    stamp = os.path.join(base, label, "key.txt")
    if os.path.exists(setup) and os.path.exists(stamp) and open(stamp).read() == key:
        return setup
    payload = os.path.join(base, "payload")
    payload_stamp = os.path.join(base, "payload.txt")
    if not (os.path.exists(payload_stamp) and open(payload_stamp).read() == params):
        shutil.rmtree(base, ignore_errors=True)
        print("making the %s payload (%s)" % (kind, params), flush=True)
        if kind == "small":
            make_small(payload, args.files)
        elif kind == "large":
            make_large(payload, args.large_mb)
        else:
            os.makedirs(payload)
        with open(payload_stamp, "w") as f:
            f.write(params)
    print("packing the %s payload with %s" % (kind, label), flush=True)
    os.makedirs(os.path.dirname(setup), exist_ok=True)
    subprocess.run([MKPACK, "build", "--stub", stub, "--files", payload, "--engine", ENGINE, "--out", setup, "--quiet"],
                   check=True)
    with open(stamp, "w") as f:
        f.write(key)
    return setup


class Watch:
    """The run of one program: finds its Wine processes (a 32-bit program has two: the 64-bit
    loader that started it, and itself), follows their peak memory, and on each of the given marks
    (the first and last line of the span it measures) notes the processor time of the processes
    and of the wineserver."""

    def __init__(self, exe_name, server_pid, marks):
        self.exe_name, self.server_pid, self.marks = exe_name, server_pid, marks
        self.pids, self.peak, self.cpu, self.done = [], 0, {}, False
        self.thread = threading.Thread(target=self.follow)
        self.thread.start()

    def follow(self):
        # The processes are looked for until the span begins; then only they are looked at, to stay
        # out of the program's way.
        while not self.done:
            if not self.cpu:
                self.pids = pids_matching(self.exe_name)
            for pid in self.pids:
                self.peak = max(self.peak, vm_hwm_kb(pid))
            time.sleep(0.02)

    def line(self, text):
        for mark in self.marks:
            if mark in text and mark not in self.cpu:
                if not self.cpu:
                    self.pids = pids_matching(self.exe_name)
                self.cpu[mark] = (sum(cpu_ms(pid) for pid in self.pids), cpu_ms(self.server_pid))

    def stop(self):
        self.done = True
        self.thread.join()
        for pid in self.pids:
            self.peak = max(self.peak, vm_hwm_kb(pid))

    def spent(self):
        """Processor ms of the program and of the wineserver between the marks."""
        first, last = (self.cpu.get(m) for m in self.marks)
        if not first or not last:
            return None, None
        return last[0] - first[0], last[1] - first[1]


def run_stub(env, viewer, server_pid, setup):
    """One silent run of the setup: UnCompressTime, processor time of stub and server, peak KB."""
    launch_file = os.path.join(WORK, "launch.txt")
    with open(launch_file, "w") as f:
        f.write(winpath(setup) + " /hide\r\n")
    since = len(viewer.lines)
    watch = Watch("Setup.exe", server_pid, ("FileInfo.FilesCount=", "UnCompressTime:"))
    viewer.listener = watch.line
    rc = subprocess.run(["wine", LAUNCH, winpath(launch_file)], env=env, stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL).returncode
    watch.stop()
    _, line = viewer.wait_for("UnCompressTime:", since)
    viewer.listener = None
    if rc != 0 or not line:
        sys.exit("the stub gave no UnCompressTime (exit %s)" % rc)
    return (int(re.search(r"UnCompressTime: (\d+) MS", line).group(1)),) + watch.spent() + (watch.peak,)


def run_floor(env, server_pid, setup, out_dir, floor=FLOOR):
    """One run of extractfloor: FloorTime, processor time of floor and server, peak KB, its summary."""
    watch = Watch("extractfloor.exe", server_pid, ("FloorStart", "FloorTime:"))
    proc = subprocess.Popen(["wine", floor, winpath(setup), winpath(out_dir)], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    lines = []
    for raw in proc.stdout:
        text = raw.decode("latin-1").strip()
        watch.line(text)
        lines.append(text)
    rc = proc.wait()
    watch.stop()
    m = re.search(r"FloorTime: (\d+) MS", "\n".join(lines))
    if rc != 0 or not m:
        sys.exit("extractfloor failed (exit %s): %s" % (rc, lines))
    return (int(m.group(1)),) + watch.spent() + (watch.peak, lines[-1])


def measure_waits(env, viewer, setup, runs):
    """The fixed waits of a silent setup run of the engine-only package, from the arrival times of its
    debug lines; the engine once ending at once and once working 1250 ms."""
    rows = []
    for run_ms in (0, 1250):
        samples = []
        for _ in range(runs + 1):
            record = os.path.join(WORK, "record.ini")
            if os.path.exists(record):
                os.remove(record)
            ini = os.path.join(WORK, "engine.ini")
            with open(ini, "w") as f:
                f.write("[Engine]\r\nRecord=%s\r\nRunMs=%d\r\n" % (winpath(record), run_ms))
            launch_file = os.path.join(WORK, "launch.txt")
            with open(launch_file, "w") as f:
                f.write(winpath(setup) + " /hide\r\n")
            since = len(viewer.lines)
            proc = subprocess.Popen(["wine", LAUNCH, winpath(launch_file)],
                                    env=dict(env, VELKIT_ENGINE_INI=winpath(ini)), stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            start, ended = time.monotonic(), None
            # The engine's end is seen here by its record; only these runs look at it so often.
            while proc.poll() is None:
                if ended is None and os.path.exists(record) and b"Ended=1" in open(record, "rb").read():
                    ended = time.monotonic()
                time.sleep(0.002)
            marks = [viewer.wait_for(t, since)[0] for t in ("ForegroundOp=", "FileInfo.FilesCount=",
                                                              "UnCompressTime:", "WinExec(Engine.exe)", "STUB END")]
            if None in marks or ended is None:
                sys.exit("waits: a debug line or the engine's end is missing: %s" % viewer.lines[since:])
            samples.append([marks[1] - marks[0], marks[3] - marks[2], ended - marks[3], marks[4] - ended,
                            marks[4] - start])
        samples = samples[1:]
        rows.append((run_ms, [statistics.median(s[i] for s in samples) * 1000 for i in range(5)]))
    return rows


def best_median(values):
    values = [v for v in values if v is not None]
    return (min(values), statistics.median(values)) if values else (0, 0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--large-mb", type=int, default=512, help="size of each of the two large files, MiB")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--only", choices=["small", "large", "none"], help="none: only the waits")
    ap.add_argument("--waits", type=int, default=0, metavar="RUNS",
                    help="also time the fixed waits of a silent run of an engine-only package, RUNS runs each")
    ap.add_argument("--stub", action="append", default=[], metavar="LABEL=PATH",
                    help="another stub.exe to measure beside this tree's (say, a build of an earlier commit)")
    ap.add_argument("--floor", default=FLOOR, metavar="PATH",
                    help="another build's extractfloor.exe (say, a 64-bit one beside a 64-bit stub)")
    ap.add_argument("--wine-dir", required=True)
    args = ap.parse_args()
    os.makedirs(WORK, exist_ok=True)
    kinds = {"small": ["small"], "large": ["large"], "none": []}.get(args.only, ["small", "large"])
    stubs = [("stub", STUB)] + [tuple(x.split("=", 1)) for x in args.stub]
    setups = {(kind, label): package(kind, args, label, path) for kind in kinds for label, path in stubs}
    if args.waits:
        setups.update({("engine", label): package("engine", args, label, path) for label, path in stubs})

    env = wine_env(args.wine_dir)
    with open(os.path.join(args.wine_dir, "wineserver.pid")) as f:
        server_pid = int(f.read().strip())
    temp = subprocess.run(["winepath", "-u", "C:\\users\\%s\\Temp" % os.environ.get("USER", "root")], env=env,
                          capture_output=True, text=True).stdout.strip()
    floor_out = os.path.join(temp, "extractfloor_out")
    viewer = DebugViewer(env, VDEBUG, WORK)
    rows = []
    try:
        for kind in kinds:
            order = [label for label, _ in stubs] + ["floor"]
            runs = {label: [] for label in order}
            # One round unmeasured first: the package into the page cache, Wine's libraries loaded.
            # Each round starts with the next program, so none always follows the same one.
            for r in range(args.runs + 1):
                for label in order[r % len(order):] + order[:r % len(order)]:
                    if label == "floor":
                        shutil.rmtree(floor_out, ignore_errors=True)
                        result = run_floor(env, server_pid, setups[(kind, "stub")], floor_out, args.floor)
                        shutil.rmtree(floor_out, ignore_errors=True)
                    else:
                        result = run_stub(env, viewer, server_pid, setups[(kind, label)])
                    if r:
                        runs[label].append(result)
            rows.append((kind, os.path.getsize(setups[(kind, "stub")]), runs["floor"][-1][4], runs))
        waits = [(label, measure_waits(env, viewer, setups[("engine", label)], args.waits))
                 for label, _ in stubs] if args.waits else []
    finally:
        viewer.stop()
        shutil.rmtree(floor_out, ignore_errors=True)

    world = open(os.path.join(args.wine_dir, "world")).read().strip()
    print("Wine: %s, 32-bit programs %s; %d runs each after one unmeasured round; best / median" %
          (subprocess.run(["wine", "--version"], env=env, capture_output=True, text=True).stdout.strip(), world,
           args.runs))
    print("%-7s %-8s %17s %17s %17s %17s" % ("package", "", "extraction ms", "program cpu ms", "wineserver cpu ms",
                                            "peak RSS MB"))
    for kind, size, detail, runs in rows:
        print("%s: %.1f MB packed; %s" % (kind, size / 1048576, detail))
        medians = {}
        for name, results in runs.items():
            wall = best_median(x[0] for x in results)
            prog = best_median(x[1] for x in results)
            server = best_median(x[2] for x in results)
            peak = best_median(x[3] / 1024 for x in results)
            both = best_median((x[1] or 0) + (x[2] or 0) for x in results)
            medians[name] = (wall[1], both[1])
            print("  %-14s %8d /%7d %8d /%7d %8d /%7d %8.1f /%7.1f" %
                  (name, wall[0], wall[1], prog[0], prog[1], server[0], server[1], peak[0], peak[1]))
        for name in medians:
            if name != "floor":
                print("  %s / floor: %.2f x in extraction time, %.2f x in processor time (program + wineserver)" %
                      (name, medians[name][0] / max(medians["floor"][0], 1),
                       medians[name][1] / max(medians["floor"][1], 1)))
    print("(peak RSS: the program's Wine process, Wine's own share included)")
    if waits:
        print("fixed waits of a silent run, engine-only package, medians of %d runs (ms):" % args.waits)
        print("  %-8s %-8s %12s %18s %16s %16s %10s" % ("", "engine", "before extr.", "extr. end + after",
                                                          "start to end", "end to stub end", "whole run"))
        for label, rows_of_stub in waits:
            for run_ms, m in rows_of_stub:
                print("  %-8s %-8s %12.0f %18.0f %16.0f %16.0f %10.0f" % (label, "%d ms" % run_ms, *m))
        print("  (before extr.: ForegroundOp to FileInfo.FilesCount; extr. end + after: UnCompressTime to WinExec;")
        print("   start to end: WinExec to the engine's record saying Ended=1; end to stub end: to STUB END)")


if __name__ == "__main__":
    sys.exit(main())
