#!/usr/bin/env python3
"""The whole update road under Wine, itemised: from the X agent's due check to the restarted
application, for a 64 MB update served on 127.0.0.1, against a plain download of the same setup
by the stub's client (netprobe) plus the extraction of the same setup by a plain silent run.

  bench/update/run [--runs N] [--build DIR]

--build: another Windows build's programs (stub, engine, probes, sample application), say a 64-bit
one that runs without emulation where the kernel runs no 32-bit program.

Each run installs version 1 afresh (the sample application, its agent made with mkpack, its
installed-version file with a check every second), publishes version 2 with mkpack release into the
served folder (a 64 MB payload, the test engine "installing" it into the application's folder,
"Using WM_CLOSE", restart), starts the application and follows the road by the arrival times of
the stub's debug lines (vdebug), of its log lines (the agent's log, read every few ms), of the
engine's record and of the application's own record. Each step is split into the waits the road
prescribes (the pauses around a fetch, the one-second polls for the program's end, the setup run's
pauses, the agent's pause before handing over and the new agent's "/WAIT=") and the work.
Printed: the steps (medians of the runs), the road's wait and work (the application's own start-up
apart), the hand-over to the new agent,
and the floor: netprobe's download ("ms" line) and the plain run's "UnCompressTime"; beside it, what
the connection check (made before each of the road's fetches and before the size query) costs here
on its own, by netprobe.
"""
import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from winebench import DebugViewer, in_prefix, make_payload, pids_matching, wine_env, winpath  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "bench-update")


def use_build(win):
    """The Windows programs of the build in win."""
    global STUB, ENGINE, LAUNCH, VDEBUG, NETPROBE, SAMPLEAPP
    STUB = os.path.join(win, "src", "stub.exe")
    ENGINE = os.path.join(win, "tools", "testkit", "engine", "engine.exe")
    LAUNCH = os.path.join(win, "tools", "testkit", "launch", "launch.exe")
    VDEBUG = os.path.join(win, "tools", "vdebug", "vdebug.exe")
    NETPROBE = os.path.join(win, "tools", "testkit", "netprobe", "netprobe.exe")
    SAMPLEAPP = os.path.join(win, "tools", "sampleapp", "sampleapp.exe")


use_build(os.path.join(ROOT, "build", "win"))
MKPACK = os.path.join(ROOT, "build", "host", "tools", "mkpack", "mkpack")
HTTPSERVER = os.path.join(ROOT, "build", "host", "tools", "testkit", "httpserver", "httpserver")
TOKEN = "BENCH-2026"
# The step that is the application's own: Wine starting it, up to its first record line.
APP_STARTUP = "application's own start-up"

# The prescribed waits inside each step, ms: the pauses before and after a web fetch, the setup
# run's pauses (before the extraction; its own 500 and the run's 1000 after it; after the engine's
# start and end), the plain agent's pause before it ends, the new agent's "/WAIT=10".
FETCH_PAUSES = 500 + 500
SETUP_BEFORE, SETUP_AFTER_EXTRACTION, SETUP_ENGINE_START, SETUP_AFTER_ENGINE = 1000, 500 + 1000, 1000, 1000
HANDOVER_PAUSE, RESTART_WAIT = 1000, 10000


class FileFollower:
    """The lines of a text file as they are appended, each with its arrival time."""

    def __init__(self, path):
        self.path, self.lines, self.done = path, [], False
        self.thread = threading.Thread(target=self.follow)
        self.thread.start()

    def follow(self):
        seen = b""
        while not self.done:
            try:
                with open(self.path, "rb") as f:
                    data = f.read()
            except OSError:
                data = b""
            if len(data) > len(seen):
                now = time.monotonic()
                for line in data[len(seen):].decode("latin-1").splitlines():
                    if line.strip():
                        self.lines.append((now, line.strip()))
                seen = data[:data.rfind(b"\n") + 1]
            time.sleep(0.005)

    def stop(self):
        self.done = True
        self.thread.join()


def first(lines, text, after=0.0):
    """The arrival time of the first line from after on that holds text (or that text, a test, passes)."""
    for t, line in lines:
        if t >= after and (text(line) if callable(text) else text in line):
            return t
    return None


def wait_first(lines, text, after=0.0, timeout=300):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        t = first(lines, text, after)
        if t is not None:
            return t
        time.sleep(0.02)
    sys.exit("bench: no %r within %d s" % (text, timeout))


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="") as f:
        f.write(text)


def publish(www, payload, app, record, url):
    """Version 2 in the served folder: the update setup (64 MB payload and the new settings of the
    application) and the information file, by mkpack release."""
    write(os.path.join(payload, "sampleapp.ini"), app_ini("2.0", record))
    setup_ini = os.path.join(WORK, "update.ini")
    write(setup_ini, "[Package]\r\nStub=%s\r\nFiles=%s\r\nEngine=%s\r\nEngineName=Engine.exe\r\nOutput=%s\r\n"
          "[Options]\r\nInstallAgent=1\r\nAgentLog=1\r\n[Update]\r\nInfoUrl=%s\r\nInfoFile=Update.info\r\n"
          "AgentExe=SampleAU.exe\r\nToken=%s\r\n" % (STUB, payload, ENGINE, os.path.join(WORK, "Update2.exe"), url,
                                                     TOKEN))
    release_ini = os.path.join(WORK, "release.ini")
    write(release_ini, "[Release]\r\nSetup=%s\r\nFolder=%s\r\nUpdateFile=Update2.exe\r\n[NewSetup]\r\nVersionNew=2\r\n"
          "ValidVersions=1\r\nProgramName=Sample App\r\nRunningProcess=<InstallDir>\\sampleapp.exe\r\n"
          "ShutDownMethod=Using WM_CLOSE\r\nRestartProcess=1\r\n" % (setup_ini, www))
    subprocess.run([MKPACK, "release", release_ini, "--quiet"], check=True, stdout=subprocess.DEVNULL)


def app_ini(version, record):
    return "[App]\r\nVersion=%s\r\nRecord=%s\r\n[Agent]\r\nExe=SampleAU.exe\r\n" % (version, winpath(record))


def install_v1(app, record, url):
    """Version 1 as its setup leaves it: the application, its settings, its agent, the installed-version
    file (a check every second)."""
    shutil.rmtree(app, ignore_errors=True)
    os.makedirs(app)
    shutil.copy(SAMPLEAPP, os.path.join(app, "sampleapp.exe"))
    write(os.path.join(app, "sampleapp.ini"), app_ini("1.0", record))
    small = os.path.join(WORK, "agent-files")
    write(os.path.join(small, "readme.txt"), "agent\r\n")
    agent_ini = os.path.join(WORK, "agent.ini")
    write(agent_ini, "[Package]\r\nStub=%s\r\nFiles=%s\r\nOutput=%s\r\n[Options]\r\nAutoUpdateAgent=1\r\nAgentLog=1\r\n"
          "[Update]\r\nInfoUrl=%s\r\nInfoFile=Update.info\r\nAgentExe=SampleAU.exe\r\nToken=%s\r\n" %
          (STUB, small, os.path.join(app, "SampleAU.exe"), url, TOKEN))
    subprocess.run([MKPACK, "build", agent_ini, "--quiet"], check=True, stdout=subprocess.DEVNULL)
    write(os.path.join(app, "Update.original"),
          "[OriginalSetup]\r\nVersionOriginal=1\r\nStamp=0\r\nProbeSecondsInterval=1\r\nReAskSecondsInterval=1\r\n"
          "ProgramName=Sample App\r\n[Directories]\r\nTargetDir=%s\r\n" % winpath(app))


def end_run(env, app):
    """Stops the agent as a user would, then ends what is left of this run's programs."""
    launch = os.path.join(WORK, "stop.txt")
    write(launch, winpath(os.path.join(app, "SampleAU.exe")) + " /STOP=0\r\n")
    subprocess.run(["wine", LAUNCH, winpath(launch)], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    time.sleep(2)
    for name in ("sampleapp.exe", "X_SampleAU.exe", "SampleAU.exe"):
        for pid in pids_matching(name):
            if in_prefix(pid, env["WINEPREFIX"]):
                try:
                    os.kill(pid, signal.SIGTERM)
                except OSError:
                    pass


def road(env, viewer, www, payload, url):
    """One run of the road; the steps as (name, wall ms, prescribed wait ms)."""
    app = os.path.join(WORK, "app")
    record = os.path.join(WORK, "app-record.txt")
    engine_record = os.path.join(WORK, "engine-record.ini")
    for f in (record, engine_record):
        if os.path.exists(f):
            os.remove(f)
    install_v1(app, record, url)
    engine_ini = os.path.join(WORK, "engine.ini")
    write(engine_ini, "[Engine]\r\nRecord=%s\r\nDeleteAtom=1\r\nInstallTo=%s\r\n" % (winpath(engine_record),
                                                                                   winpath(app)))
    since, t0 = len(viewer.lines), time.monotonic()
    log = FileFollower(os.path.join(app, "X_SampleAU.log"))
    rec = FileFollower(record)
    eng = FileFollower(engine_record)
    app_proc = subprocess.Popen(["wine", os.path.join(app, "sampleapp.exe")],
                                env=dict(env, VELKIT_ENGINE_INI=winpath(engine_ini)),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    dbg = viewer.lines  # appended to by the viewer's thread; read from since on
    try:
        fire = wait_first(dbg, " Fire ", t0)
        t = {"fire": fire}
        t["decided"] = wait_first(dbg, "GetOkToPerformAU=", fire)
        t["info_end"] = wait_first(log.lines, "Download END:", fire)
        t["setup_start"] = wait_first(dbg, "DownloadFileAU: " + url + "/Update2.exe", fire)
        t["setup_end"] = wait_first(log.lines, "Download END:   " + url + "/Update2.exe", fire)
        t["matched"] = wait_first(dbg, "==== PerformAutoUpdate-7 ====", fire)
        t["close_sent"] = wait_first(dbg, "==== PerformAutoUpdate-8 ====", fire)
        t["closed"] = wait_first(dbg, "==== PerformAutoUpdate-9 ====", fire)
        t["run_start"] = wait_first(dbg, "==== PerformAutoUpdate-10 ====", fire)
        t["files_count"] = wait_first(dbg, "FileInfo.FilesCount=", t["run_start"])
        t["uncompressed"] = wait_first(dbg, "UnCompressTime:", t["run_start"])
        t["engine_start"] = wait_first(dbg, "WinExec(Engine.exe)", t["run_start"])
        t["engine_end"] = wait_first(eng.lines, "Ended=1", t0)
        t["run_end"] = wait_first(dbg, "==== PerformAutoUpdate-11 ====", fire)
        t["app_start_asked"] = wait_first(dbg, " start program ", t["run_end"])
        t["app_started"] = wait_first(rec.lines, "version=2.0", fire)
        t["handover"] = wait_first(log.lines, ".. WinExec - ", fire)
        # The plain agent started with "/WAIT=" waits, then makes and starts the X copy (the
        # restarted application's own agent start may have made one already).
        waited = wait_first(log.lines, "Wait 10 SEC", t["handover"])
        tid = next(x for t_, x in log.lines if t_ == waited and "Wait 10 SEC" in x).split()[2]
        t["x_made"] = wait_first(log.lines, lambda x: x.split()[2:3] == [tid] and "Create X_ File" in x, waited)
        t["new_decided"] = wait_first(dbg, "GetOkToPerformAU=3", t["handover"])
    finally:
        end_run(env, app)
        app_proc.wait(timeout=60)
        for f in (log, rec, eng):
            f.stop()
    # The run's lines in arrival order, for a look at what the steps are made of.
    merged = sorted([(t_, "debug", x) for t_, x in dbg[since:]] + [(t_, "log", x) for t_, x in log.lines] +
                    [(t_, "app", x) for t_, x in rec.lines] + [(t_, "engine", x) for t_, x in eng.lines])
    with open(os.path.join(WORK, "timeline.txt"), "a") as f:
        f.write("---- run\n")
        f.writelines("%9.3f %-6s %s\n" % (t_ - t0, kind, x) for t_, kind, x in merged)
    unc = None
    for _, line in dbg[since:]:
        m = re.search(r"UnCompressTime: (\d+) MS", line)
        if m:
            unc = int(m.group(1))
    ms = {k: v * 1000 for k, v in t.items()}
    steps = [
        ("information file fetch", ms["info_end"] - ms["fire"], FETCH_PAUSES),
        ("decision", ms["decided"] - ms["info_end"], 0),
        ("to the setup's fetch", ms["setup_start"] - ms["decided"], 0),
        ("setup fetch", ms["setup_end"] - ms["setup_start"], FETCH_PAUSES),
        ("token match", ms["matched"] - ms["setup_end"], 0),
        ("WM_CLOSE sent", ms["close_sent"] - ms["matched"], 0),
        ("wait for the program's end (1 s polls)", ms["closed"] - ms["close_sent"],
         1000 * max(1, round((ms["closed"] - ms["close_sent"]) / 1000))),
        ("to the update run", ms["run_start"] - ms["closed"], 0),
        ("setup run: to the extraction", ms["files_count"] - ms["run_start"], SETUP_BEFORE),
        ("setup run: extraction", ms["uncompressed"] - ms["files_count"], 0),
        ("setup run: to the engine", ms["engine_start"] - ms["uncompressed"], SETUP_AFTER_EXTRACTION),
        # The pause after the engine's start runs beside the engine; the second follows its end.
        ("setup run: engine, its pauses, clean-up", ms["run_end"] - ms["engine_start"],
         SETUP_ENGINE_START + SETUP_AFTER_ENGINE),
        ("to the application's start", ms["app_start_asked"] - ms["run_end"], 0),
        (APP_STARTUP, ms["app_started"] - ms["app_start_asked"], 0),
    ]
    handover = [
        ("agent hand-over: pause, \"/WAIT=\", X copy", ms["x_made"] - ms["handover"], HANDOVER_PAUSE + RESTART_WAIT),
        ("first decision of a new X agent (after app)", ms["new_decided"] - ms["app_started"], 0),
    ]
    return steps, handover, unc, ms["engine_end"] - ms["engine_start"]


def floor(env, viewer, www, url):
    """netprobe's download of the same setup ("ms" line) and a plain silent run's UnCompressTime."""
    target = os.path.join(WORK, "probe", "Update2.exe")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if os.path.exists(target):
        os.remove(target)
    out = subprocess.run(["wine", NETPROBE, "download", url + "/Update2.exe", winpath(target), "--quiet"], env=env,
                         capture_output=True, text=True, timeout=300).stdout
    m = re.search(r"^ms (\d+)", out.replace("\r", ""), re.M)
    if not m or os.path.getsize(target) != os.path.getsize(os.path.join(www, "Update2.exe")):
        sys.exit("bench: netprobe failed: %s" % out)
    download = int(m.group(1))
    engine_ini = os.path.join(WORK, "engine-plain.ini")
    write(engine_ini, "[Engine]\r\nRecord=%s\r\n" % winpath(os.path.join(WORK, "engine-plain-record.ini")))
    launch = os.path.join(WORK, "plain.txt")
    write(launch, winpath(target) + " /hide\r\n")
    since = len(viewer.lines)
    subprocess.run(["wine", LAUNCH, winpath(launch)], env=dict(env, VELKIT_ENGINE_INI=winpath(engine_ini)),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    _, line = viewer.wait_for("UnCompressTime:", since, timeout=60)
    if not line:
        sys.exit("bench: the plain run gave no UnCompressTime")
    return download, int(re.search(r"UnCompressTime: (\d+) MS", line).group(1))


def connection_check(env):
    """netprobe's connection check made ten times: the first call's ms and each further one's."""
    out = subprocess.run(["wine", NETPROBE, "connected", "--times", "10"], env=env, capture_output=True, text=True,
                         timeout=300).stdout.replace("\r", "")
    first, then = re.search(r"^first-ms ([\d.]+)", out, re.M), re.search(r"^then-ms ([\d.]+)", out, re.M)
    if not first or not then:
        sys.exit("bench: netprobe connected failed: %s" % out)
    return float(first.group(1)), float(then.group(1))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--build", metavar="DIR", help="another Windows build's programs")
    ap.add_argument("--wine-dir", required=True)
    args = ap.parse_args()
    if args.build:
        use_build(os.path.abspath(args.build))
    shutil.rmtree(WORK, ignore_errors=True)
    www = os.path.join(WORK, "www")
    payload = os.path.join(WORK, "payload")
    os.makedirs(www)
    make_payload(payload)
    server = subprocess.Popen([HTTPSERVER, "--root", www, "--port-file", os.path.join(WORK, "port")],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = wine_env(args.wine_dir)
    viewer = None
    try:
        for _ in range(100):
            if os.path.exists(os.path.join(WORK, "port")):
                break
            time.sleep(0.05)
        url = "http://127.0.0.1:%s" % open(os.path.join(WORK, "port")).read().strip()
        publish(www, payload, os.path.join(WORK, "app"), os.path.join(WORK, "app-record.txt"), url)
        subprocess.run(["wine", "cmd", "/c", "exit", "0"], env=env, check=True)
        viewer = DebugViewer(env, VDEBUG, WORK)
        roads, floors, checks = [], [], []
        for _ in range(args.runs):
            roads.append(road(env, viewer, www, payload, url))
            floors.append(floor(env, viewer, www, url))
            checks.append(connection_check(env))
    finally:
        if viewer:
            viewer.stop()
        server.terminate()
        server.wait()

    med = statistics.median
    size = os.path.getsize(os.path.join(www, "Update2.exe"))
    print("update setup %.1f MB (payload 64 MB in 32 files, half random), %d runs, medians (ms)" %
          (size / 1048576, args.runs))
    print("%-42s %8s %8s %8s" % ("step", "wall", "wait", "work"))
    total = [0.0, 0.0]
    for i, (name, _, _) in enumerate(roads[0][0]):
        wall = med(r[0][i][1] for r in roads)
        wait = med(r[0][i][2] for r in roads)
        total[0] += wall
        total[1] += min(wait, wall)
        print("%-42s %8.0f %8.0f %8.0f" % (name, wall, min(wait, wall), wall - min(wait, wall)))
    road_wall = med(sum(s[1] for s in r[0]) for r in roads)
    road_wait = med(sum(min(s[1], s[2]) for s in r[0]) for r in roads)
    works = [sum(s[1] - min(s[1], s[2]) for s in r[0]) for r in roads]
    own = [sum(s[1] - min(s[1], s[2]) for s in r[0] if s[0] != APP_STARTUP) for r in roads]
    print("%-42s %8.0f %8.0f %8.0f" % ("road: due check to restarted application", road_wall, road_wait, med(works)))
    for i, (name, _, _) in enumerate(roads[0][1]):
        wall = med(r[1][i][1] for r in roads)
        wait = med(r[1][i][2] for r in roads)
        print("%-42s %8.0f %8.0f %8.0f" % (name, wall, min(wait, wall), wall - min(wait, wall)))
    download = med(f[0] for f in floors)
    unc = med(f[1] for f in floors)
    road_unc = med(r[2] for r in roads if r[2] is not None)
    print("floor: netprobe download %d ms + plain run's UnCompressTime %d ms = %d ms (the road's UnCompressTime %d ms)"
          % (download, unc, download + unc, road_unc))
    print("road work but the application's own start-up: %.0f ms = %.2f x the floor (with it %.0f ms = %.2f x); "
          "the engine's own run %.0f ms (inside its pause)" % (med(own), med(own) / (download + unc), med(works),
                                                                med(works) / (download + unc), med(r[3] for r in roads)))
    print("connection check alone (netprobe, ten calls): first call %.1f ms, each further call %.1f ms; the road "
          "makes three" % (med(c[0] for c in checks), med(c[1] for c in checks)))
    print("runs (road wall ms): %s; stub %d bytes" % (", ".join("%.0f" % sum(s[1] for s in r[0]) for r in roads),
                                                      os.path.getsize(STUB)))


if __name__ == "__main__":
    sys.exit(main())
