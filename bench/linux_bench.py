"""The Linux edition's benchmark, for bench/run: start to the login window with its page painted,
and the peak memory of all its processes (the engine's included), against bare_webview, a bare
WebKitGTK window of the same size loading the same login page from the same stand-in.

"Painted" is seen on the screen: the login page's blue link ("充值", at 20, 180 in the page) has
appeared where the page stands (the launcher's browser rectangle at 287, 202 in its window, the
whole window for the reference). Peak memory is the sum of VmHWM over the program's process and its
descendants, read once the page is painted and the sum has not moved for half a second."""

import os
import shutil
import statistics
import subprocess
import tempfile
import time

import standin
import winenv
from winenv import wait_for

LOGIN_URL = "http://login.velqo.com/client/index.php?regtimes=1&refer=123ss"
RUN_TIMEOUT = 60
STARTUP_TARGET = 1.2
MEMORY_TARGET = 1.2


def _descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            continue
        children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        current = todo.pop()
        found.append(current)
        todo.extend(children.get(current, []))
    return found


def _peak_kib(pid):
    total = 0
    for process in _descendants(pid):
        try:
            with open("/proc/%d/status" % process) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        total += int(line.split()[1])
        except (OSError, ValueError):
            pass
    return total


def _blue_at(env, x, y, width=40, height=16):
    raw = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage",
                          "-depth", "8", "rgb:-"], env=env, capture_output=True, timeout=30).stdout
    for i in range(0, len(raw) - 2, 3):
        r, g, b = raw[i], raw[i + 1], raw[i + 2]
        if b > 150 and b > r + 60 and b > g + 60:
            return True
    return False


def _window(env, title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=env, capture_output=True,
                         text=True).stdout.split()
    if not out:
        return None
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", out[0]], env=env, capture_output=True,
                              text=True).stdout
    values = dict(line.split("=", 1) for line in geometry.split() if "=" in line)
    if (int(values["WIDTH"]), int(values["HEIGHT"])) != (888, 566):
        return None
    return int(values["X"]), int(values["Y"])


def _run_once(command, env, title, page_offset):
    """(seconds to the painted page, peak KiB) of one run."""
    started = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        def painted():
            if process.poll() is not None:
                raise RuntimeError("%s ended early with %d" % (command[0], process.returncode))
            origin = _window(env, title)
            return origin and _blue_at(env, origin[0] + page_offset[0] + 20, origin[1] + page_offset[1] + 182)

        wait_for(painted, RUN_TIMEOUT, interval=0.01, what="the page painted by " + command[0])
        elapsed = time.monotonic() - started
        previous, steady_since = -1, time.monotonic()
        deadline = time.monotonic() + RUN_TIMEOUT
        while time.monotonic() < deadline:
            peak = _peak_kib(process.pid)
            if peak != previous:
                previous, steady_since = peak, time.monotonic()
            elif time.monotonic() - steady_since >= 0.5:
                break
            time.sleep(0.05)
        return elapsed, previous
    finally:
        try:
            os.killpg(process.pid, 9)
        except ProcessLookupError:
            pass
        process.wait()


def measure(out_folder, bench_folder, runs, log):
    """Rows for bench/run's table and a note."""
    scratch = tempfile.mkdtemp(prefix="vkr-bench-linux-")
    display = winenv.Xvfb()
    server = standin.StandIn(record_dir=os.path.join(scratch, "standin"))
    port = server.start()
    try:
        home = os.path.join(scratch, "home")
        os.makedirs(home)
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("XDG_", "DBUS_")) and key.lower() not in ("http_proxy", "no_proxy")}
        env.update({"DISPLAY": display.display, "HOME": home, "http_proxy": "http://127.0.0.1:%d" % port,
                    "NO_AT_BRIDGE": "1"})
        launcher = [os.path.join(out_folder, "vkr")]
        reference = [os.path.join(bench_folder, "bare_webview"), LOGIN_URL]
        results = {"vkr": [], "bare": []}
        for _ in range(runs + 1):
            results["vkr"].append(_run_once(launcher, env, "^VelqoMorvane$", (287, 202)))
            results["bare"].append(_run_once(reference, env, "^BareWebView$", (0, 0)))
        log("linux: %d runs each" % runs)
        vkr, bare = results["vkr"][1:], results["bare"][1:]
    finally:
        server.stop()
        display.stop()
        shutil.rmtree(scratch, True)

    ms = lambda seconds: seconds * 1000.0  # noqa: E731
    ratio = statistics.median(v / b for (v, _), (b, _) in zip(vkr, bare))
    memory_ratio = statistics.median(v / b for (_, v), (_, b) in zip(vkr, bare))

    def verdict(measured, limit):
        if measured <= limit:
            return "met (%.0f %% under)" % ((1 - measured / limit) * 100)
        return "**missed** by %.2f × (%.0f %% over)" % (measured - limit, (measured / limit - 1) * 100)

    rows = [
        ("Linux: start to the login window with its page painted", "≤ %.1f × bare WebKitGTK window" % STARTUP_TARGET,
         "vkr %.0f ms, bare window %.0f ms: **%.2f ×**" % (ms(statistics.median(s for s, _ in vkr)),
                                                          ms(statistics.median(s for s, _ in bare)), ratio),
         verdict(ratio, STARTUP_TARGET)),
        ("Linux: peak memory of all processes (engine included)", "≤ %.1f × bare WebKitGTK window" % MEMORY_TARGET,
         "vkr %.0f MiB, bare window %.0f MiB: **%.2f ×**" % (statistics.median(p for _, p in vkr) / 1024.0,
                                                            statistics.median(p for _, p in bare) / 1024.0,
                                                            memory_ratio),
         verdict(memory_ratio, MEMORY_TARGET)),
    ]
    return rows
