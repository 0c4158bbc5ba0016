#!/usr/bin/env python3
"""Side-by-side benchmark of the setup run: our Setup.exe against an NSIS installer of the same
~64 MB payload, both silent, under the same Wine prefix and wineserver.

  bench/setup/run [--rounds N]

Ours runs with "/hide" and the test engine, which exits at once; NSIS runs with /S and writes the
same files into a folder of the prefix's temporary folder. Reported per installer: wall time of
the whole run, time spent extracting, peak resident memory of the installer's process (VmHWM of
its Wine process), and the size of the stub/installer header.

Our wall time includes the fixed waits that the setup run prescribes (WaitPumping before and
after extraction, around the engine, the 500 ms polls); they are measured separately with a
package that holds only the engine, and the extraction time is read from the stub's own
"UnCompressTime: N MS" debug line and cross-checked as wall(full) - wall(engine only).
"""
import argparse
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import time

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


def winpath(p):
    return "Z:" + os.path.abspath(p).replace("/", "\\")


def make_payload(folder):
    """64 MB in 32 files: half random bytes (incompressible), half text-like (compressible)."""
    rng = random.Random(20261210)
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(4000)]
    os.makedirs(folder, exist_ok=True)
    for i in range(32):
        path = os.path.join(folder, "sub%d" % (i % 4), "file%02d.bin" % i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        size = 2 * 1024 * 1024
        if i % 2 == 0:
            data = rng.randbytes(size)
        else:
            chunks, n = [], 0
            while n < size:
                w = words[rng.randrange(len(words))] + (b"\n" if rng.random() < 0.1 else b" ")
                chunks.append(w)
                n += len(w)
            data = b"".join(chunks)[:size]
        with open(path, "wb") as f:
            f.write(data)


def wine_env():
    env = dict(os.environ)
    with open(os.path.join(WINE_DIR, "display")) as f:
        display = f.read().strip()
    env.update(WINEPREFIX=os.path.join(WINE_DIR, "prefix"), WINEDEBUG="-all", DISPLAY=":" + display,
               WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def unix_pids_matching(name):
    pids = []
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % d, "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode("latin-1")
        except OSError:
            continue
        if name in cmd and "launch.exe" not in cmd:
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
        for pid in unix_pids_matching(exe_name):
            peak = max(peak, vm_hwm_kb(pid))
        time.sleep(0.01)
    wall = time.monotonic() - start
    return wall, peak, proc.returncode


def nsis_installer(payload, out):
    script = os.path.join(WORK, "bench.nsi")
    with open(script, "w") as f:
        f.write('Unicode false\nSetCompressor zlib\nOutFile "%s"\nName "Bench"\nRequestExecutionLevel user\n'
                'InstallDir "$TEMP\\nsis_bench"\nSilentInstall silent\nSection\n  SetOutPath "$INSTDIR"\n'
                '  File /r "%s/*"\nSectionEnd\n' % (out, payload))
    subprocess.run(["makensis", "-V1", script], check=True)
    # The size of NSIS's own stub: the installer minus its compressed data, i.e. the exehead.
    return out


def nsis_stub_size():
    for p in ["/usr/share/nsis/Stubs/zlib-x86-ansi", "/usr/share/nsis/Stubs/zlib-x86-unicode"]:
        if os.path.exists(p):
            return p, os.path.getsize(p)
    return None, 0


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
    nsis = nsis_installer(payload, os.path.join(WORK, "NsisSetup.exe"))

    env = wine_env()
    subprocess.run(["wine", "cmd", "/c", "exit", "0"], env=env, check=True)
    debug = os.path.join(WORK, "debug.txt")
    open(debug, "w").close()
    viewer = subprocess.Popen(["wine", VDEBUG, "--out", winpath(debug)], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    time.sleep(1.0)

    temp = subprocess.run(["winepath", "-u", "C:\\users\\%s\\Temp" % os.environ.get("USER", "root")], env=env,
                          capture_output=True, text=True).stdout.strip()
    rows = {"ours": [], "ours-engine-only": [], "nsis": []}
    for r in range(args.rounds):
        for name, cmd, exe in [("ours", winpath(ours) + " /hide", "Setup.exe"),
                               ("ours-engine-only", winpath(engine_only) + " /hide", "EngineOnly.exe"),
                               ("nsis", winpath(nsis) + " /S", "NsisSetup.exe")]:
            wall, peak, rc = run_measured(env, cmd, exe)
            rows[name].append((wall, peak, rc))
        shutil.rmtree(os.path.join(temp, "nsis_bench"), ignore_errors=True)
    subprocess.run(["wine", VDEBUG, "--stop"], env=env)
    viewer.wait(timeout=30)
    with open(debug, "rb") as f:
        text = f.read().decode("latin-1")
    unc = [int(m) for m in re.findall(r"UnCompressTime: (\d+) MS", text)]
    ours_unc = unc[0::2] if len(unc) >= 2 * args.rounds else unc  # full package, then engine only

    def med(name, i):
        return statistics.median(row[i] for row in rows[name])

    stub_size = os.path.getsize(STUB)
    nsis_stub, nsis_size = nsis_stub_size()
    print("payload: %d files, %.1f MB; packages: ours %.1f MB, NSIS %.1f MB" %
          (32, total / 1048576, os.path.getsize(ours) / 1048576, os.path.getsize(nsis) / 1048576))
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
    if any(r[2] != 0 for r in rows["nsis"]):
        # NSIS makes only 32-bit installers; a kernel without 32-bit support cannot start them.
        print("NSIS: its installer did not run (exit %s), so it has no figures here" %
              ",".join(str(r[2]) for r in rows["nsis"]))
    else:
        print("NSIS: whole run (extraction and its own start-up):      %.2f s" % med("nsis", 0))
    print("stub size: ours %d bytes (%.1f KB); NSIS stub %s %d bytes (%.1f KB)" %
          (stub_size, stub_size / 1024, nsis_stub, nsis_size, nsis_size / 1024))


if __name__ == "__main__":
    sys.exit(main())
