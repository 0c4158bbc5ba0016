"""What the Wine benchmarks share: the environment of a test world's prefix, and the Linux
processes of a Windows program with their peak memory and processor time, the stub's debug lines
as they arrive, the 64 MB payload of the setup benchmarks."""
import os
import random
import subprocess
import threading
import time

TICK_MS = 1000.0 / os.sysconf("SC_CLK_TCK")


def winpath(p):
    return "Z:" + os.path.abspath(p).replace("/", "\\")


def wine_env(wine_dir):
    env = dict(os.environ)
    with open(os.path.join(wine_dir, "display")) as f:
        display = f.read().strip()
    env.update(WINEPREFIX=os.path.join(wine_dir, "prefix"), WINEDEBUG="-all", DISPLAY=":" + display,
               WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def pids_matching(name):
    """Linux processes whose command line names the program (not the launcher, not a benchmark)."""
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


def in_prefix(pid, prefix):
    """Whether the process runs in this Wine prefix (tests may run the same program names)."""
    try:
        with open("/proc/%d/environ" % pid, "rb") as f:
            return ("WINEPREFIX=" + prefix).encode() in f.read().split(b"\0")
    except OSError:
        return False


def vm_hwm_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def cpu_ms(pid):
    """User and system time of a process so far, in ms (its threads included)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) * TICK_MS
    except (OSError, IndexError, ValueError):
        return 0.0


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


class DebugViewer:
    """vdebug showing the prefix's debug channel on a pipe; each line goes to the current listener
    as it arrives."""

    def __init__(self, env, vdebug, work):
        self.env, self.vdebug, self.lines, self.listener = env, vdebug, [], None
        ready = os.path.join(work, "debug.ready")
        if os.path.exists(ready):
            os.remove(ready)
        self.proc = subprocess.Popen(["wine", vdebug, "--ready", winpath(ready)], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self.read)
        self.thread.start()
        # The viewer's window must exist before the first stub starts, or its lines go nowhere.
        deadline = time.monotonic() + 60
        while not os.path.exists(ready) and time.monotonic() < deadline:
            time.sleep(0.05)

    def read(self):
        for raw in self.proc.stdout:
            text = raw.decode("latin-1").strip()
            listener = self.listener
            if listener:
                listener(text)
            self.lines.append((time.monotonic(), text))

    def wait_for(self, text, since, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for t, line in self.lines[since:]:
                if text in line:
                    return t, line
            time.sleep(0.02)
        return None, None

    def stop(self):
        subprocess.run(["wine", self.vdebug, "--stop"], env=self.env)
        self.proc.wait(timeout=30)
        self.thread.join()
