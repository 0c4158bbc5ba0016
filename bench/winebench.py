"""What the Wine benchmarks share: the environment of a test world's prefix, and the Linux
processes of a Windows program with their peak memory and processor time."""
import os

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
