#!/usr/bin/env python3
"""The stub's extraction under Wine against its floor on the same Wine: two packages, each run
silently by our Setup.exe (the test engine as its engine) and by extractfloor, which writes the same
entries with the system's own file calls only.

  bench/extractwin/run [--files N] [--large-mb M] [--runs R] [--only small|large] [--waits RUNS]

- small: N files (default 10000) of 40 to 400 bytes of text in 24 folders, as a product's
  translations, help pages and plug-in files come;
- large: two files of M MiB each (default 512, so 1 GiB), a quarter random bytes and the rest
  text, which zlib packs to a little under 60 %.

Reported per package and program: the extraction's own time (the stub's "UnCompressTime: N MS"
debug line; extractfloor's "FloorTime: N MS", the same span), best and median over the runs, and
the peak resident memory of the program's Wine process (VmHWM). Packages are kept in
build/bench-extractwin and made again only when the stub or the parameters change.

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

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "bench-extractwin")
WIN = os.path.join(ROOT, "build", "win")
STUB = os.path.join(WIN, "src", "stub.exe")
ENGINE = os.path.join(WIN, "tools", "testkit", "engine", "engine.exe")
LAUNCH = os.path.join(WIN, "tools", "testkit", "launch", "launch.exe")
VDEBUG = os.path.join(WIN, "tools", "vdebug", "vdebug.exe")
FLOOR = os.path.join(WIN, "bench", "extractfloor.exe")
MKPACK = os.path.join(ROOT, "build", "host", "tools", "mkpack", "mkpack")


def winpath(p):
    return "Z:" + os.path.abspath(p).replace("/", "\\")


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


def package(kind, args):
    """The setup file of one benchmark package, made again when the stub or the parameters changed."""
    params = {"small": "files=%d" % args.files, "large": "mb=%d quarter random" % args.large_mb,
              "engine": "engine only"}[kind]
    with open(STUB, "rb") as f:
        key = "%s %s %s" % (kind, params, hashlib.sha256(f.read()).hexdigest())
    base = os.path.join(WORK, kind)
    setup = os.path.join(base, "Setup.exe")
    stamp = os.path.join(base, "key.txt")
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
    print("packing the %s payload" % kind, flush=True)
    subprocess.run([MKPACK, "build", "--stub", STUB, "--files", payload, "--engine", ENGINE, "--out", setup, "--quiet"],
                   check=True)
    with open(stamp, "w") as f:
        f.write(key)
    return setup


def wine_env(wine_dir):
    env = dict(os.environ)
    with open(os.path.join(wine_dir, "display")) as f:
        display = f.read().strip()
    env.update(WINEPREFIX=os.path.join(wine_dir, "prefix"), WINEDEBUG="-all", DISPLAY=":" + display,
               WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def pids_matching(name):
    pids = []
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % d, "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode("latin-1")
        except OSError:
            continue
        if name in cmd and "launch.exe" not in cmd and "bench.py" not in cmd:
            pids.append(int(d))
    return pids


def vm_hwm_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_measured(env, argv, exe_name):
    """Runs argv; its output, exit code and the peak RSS (KB) of the Wine process of exe_name."""
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    peak, pids = 0, []
    while proc.poll() is None:
        # Once the program's process is known only it is looked at, to stay out of its way.
        if not pids:
            pids = pids_matching(exe_name)
        for pid in pids:
            peak = max(peak, vm_hwm_kb(pid))
        time.sleep(0.02)
    out = proc.stdout.read().decode("latin-1")
    return out, proc.returncode, peak


class DebugViewer:
    """vdebug capturing the debug channel of the prefix into a file."""

    def __init__(self, env):
        self.env = env
        self.file = os.path.join(WORK, "debug.txt")
        open(self.file, "w").close()
        ready = os.path.join(WORK, "debug.ready")
        if os.path.exists(ready):
            os.remove(ready)
        self.proc = subprocess.Popen(["wine", VDEBUG, "--out", winpath(self.file), "--ready", winpath(ready)], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The viewer's window must exist before the first stub starts, or its lines go nowhere.
        deadline = time.monotonic() + 60
        while not os.path.exists(ready) and time.monotonic() < deadline:
            time.sleep(0.05)

    def times(self):
        with open(self.file, "rb") as f:
            return [int(m) for m in re.findall(rb"UnCompressTime: (\d+) MS", f.read())]

    def stop(self):
        subprocess.run(["wine", VDEBUG, "--stop"], env=self.env)
        self.proc.wait(timeout=30)


class Timeline:
    """Arrival times of the debug lines written after it starts, and of the engine's "Ended=1"."""

    def __init__(self, debug_file, record):
        self.debug_file, self.record = debug_file, record
        self.events, self.done = [], False
        self.offset = os.path.getsize(debug_file)
        self.thread = threading.Thread(target=self.watch)
        self.thread.start()

    def watch(self):
        pending, ended = b"", False
        while not self.done:
            with open(self.debug_file, "rb") as f:
                f.seek(self.offset)
                chunk = f.read()
            now = time.monotonic()
            self.offset += len(chunk)
            pending += chunk
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                self.events.append((now, line.decode("latin-1").strip()))
            if not ended and os.path.exists(self.record) and b"Ended=1" in open(self.record, "rb").read():
                ended = True
                self.events.append((now, "engine: Ended=1"))
            time.sleep(0.002)

    def stop(self):
        self.done = True
        self.thread.join()

    def at(self, text):
        return next((t for t, line in self.events if text in line), None)


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
            timeline = Timeline(viewer.file, record)
            start = time.monotonic()
            subprocess.run(["wine", LAUNCH, winpath(launch_file)], env=dict(env, VELKIT_ENGINE_INI=winpath(ini)),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            # The last lines may still be on their way to the viewer's file.
            deadline = time.monotonic() + 5
            while timeline.at("STUB END") is None and time.monotonic() < deadline:
                time.sleep(0.01)
            timeline.stop()
            marks = [timeline.at(t) for t in ("ForegroundOp=", "FileInfo.FilesCount=", "UnCompressTime:",
                                              "WinExec(Engine.exe)", "engine: Ended=1", "STUB END")]
            if None in marks:
                sys.exit("waits: a debug line is missing: %s" % timeline.events)
            samples.append([marks[1] - marks[0], marks[3] - marks[2], marks[4] - marks[3], marks[5] - marks[4],
                            marks[5] - start])
        samples = samples[1:]
        rows.append((run_ms, [statistics.median(s[i] for s in samples) * 1000 for i in range(5)]))
    return rows


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--large-mb", type=int, default=512, help="size of each of the two large files, MiB")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--only", choices=["small", "large"])
    ap.add_argument("--waits", type=int, default=0, metavar="RUNS",
                    help="also time the fixed waits of a silent run of an engine-only package, RUNS runs each")
    ap.add_argument("--wine-dir", required=True)
    args = ap.parse_args()
    os.makedirs(WORK, exist_ok=True)
    kinds = [args.only] if args.only else ["small", "large"]
    setups = {kind: package(kind, args) for kind in kinds + (["engine"] if args.waits else [])}

    env = wine_env(args.wine_dir)
    temp = subprocess.run(["winepath", "-u", "C:\\users\\%s\\Temp" % os.environ.get("USER", "root")], env=env,
                          capture_output=True, text=True).stdout.strip()
    floor_out = os.path.join(temp, "extractfloor_out")
    viewer = DebugViewer(env)
    rows = []
    try:
        for kind in kinds:
            setup = setups[kind]
            stub_runs, floor_runs = [], []
            # One round unmeasured first: the package into the page cache, Wine's libraries loaded.
            for r in range(args.runs + 1):
                before = len(viewer.times())
                launch_file = os.path.join(WORK, "launch.txt")
                with open(launch_file, "w") as f:
                    f.write(winpath(setup) + " /hide\r\n")
                out, rc, peak = run_measured(env, ["wine", LAUNCH, winpath(launch_file)], "Setup.exe")
                # The viewer writes what it received; give it the moment it needs.
                deadline = time.monotonic() + 10
                while len(viewer.times()) == before and time.monotonic() < deadline:
                    time.sleep(0.05)
                times = viewer.times()
                if len(times) == before or rc != 0:
                    sys.exit("%s: the stub gave no UnCompressTime (exit %s)" % (kind, rc))
                if r:
                    stub_runs.append((times[-1], peak))

                shutil.rmtree(floor_out, ignore_errors=True)
                out, rc, peak = run_measured(env, ["wine", FLOOR, winpath(setup), winpath(floor_out)],
                                             "extractfloor.exe")
                m = re.search(r"FloorTime: (\d+) MS", out)
                if rc != 0 or not m:
                    sys.exit("%s: extractfloor failed (exit %s): %s" % (kind, rc, out))
                detail = out.strip().splitlines()[-1]
                shutil.rmtree(floor_out, ignore_errors=True)
                if r:
                    floor_runs.append((int(m.group(1)), peak))
            rows.append((kind, os.path.getsize(setup), detail, stub_runs, floor_runs))
        waits = measure_waits(env, viewer, setups["engine"], args.waits) if args.waits else []
    finally:
        viewer.stop()
        shutil.rmtree(floor_out, ignore_errors=True)

    world = open(os.path.join(args.wine_dir, "world")).read().strip()
    print("Wine: %s, 32-bit programs %s; %d runs each after one unmeasured round (best / median)" %
          (subprocess.run(["wine", "--version"], env=env, capture_output=True, text=True).stdout.strip(), world,
           args.runs))
    print("%-7s %-30s %17s %17s %8s %18s" % ("package", "", "stub ms", "floor ms", "ratio", "peak RSS MB"))
    for kind, size, detail, stub_runs, floor_runs in rows:
        sb, sm = min(t for t, _ in stub_runs), statistics.median(t for t, _ in stub_runs)
        fb, fm = min(t for t, _ in floor_runs), statistics.median(t for t, _ in floor_runs)
        sp, fp = statistics.median(p for _, p in stub_runs), statistics.median(p for _, p in floor_runs)
        print("%-7s %-30s %8d /%7d %8d /%7d %8.2f %8.1f /%8.1f" %
              (kind, "%.1f MB packed" % (size / 1048576), sb, sm, fb, fm, sm / max(fm, 1), sp / 1024, fp / 1024))
        print("        %s" % detail)
    print("(ratio: median stub / median floor; peak RSS: stub / floor, Wine's own share included)")
    if waits:
        print("fixed waits of a silent run, engine-only package, medians of %d runs (ms):" % args.waits)
        print("  %-8s %12s %18s %16s %16s %10s" % ("engine", "before extr.", "extr. end + after", "start to end",
                                                     "end to stub end", "whole run"))
        for run_ms, m in waits:
            print("  %-8s %12.0f %18.0f %16.0f %16.0f %10.0f" % ("%d ms" % run_ms, *m))
        print("  (before extr.: ForegroundOp to FileInfo.FilesCount; extr. end + after: UnCompressTime to WinExec;")
        print("   start to end: WinExec to the engine's record saying Ended=1; end to stub end: to STUB END)")


if __name__ == "__main__":
    sys.exit(main())
