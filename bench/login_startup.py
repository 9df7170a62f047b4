#!/usr/bin/env python3
"""Start-up benchmark of the login window under Wine: the time from process start to the login
window being visible, and the peak memory, against the floor of a bare Win32 program that only
shows one window of the same size. Both run alternately in one prefix with one wineserver, with the
stand-in as proxy, so that they see the same Wine, display and disk.

    python3 bench/login_startup.py [--runs 7] [--out build-win32]

Prints one line per run and a summary with the medians, their ratio and the peak memory of each.
Needs the Windows build (vkr.exe, bench/bare_window.exe) and the template prefix of scripts/setup.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "winenv"))
sys.path.insert(0, os.path.join(ROOT, "tools", "standin"))

import standin  # noqa: E402
import winenv  # noqa: E402

INSTALL_DIR = r"C:\Program Files\Velqo\vkr"


def visible_window(env, title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=env, capture_output=True,
                         text=True, timeout=10).stdout.split()
    return out[0] if out else None


def peak_memory_kib(pid):
    """VmHWM of the process (its peak resident set so far), 0 when it cannot be read."""
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def window_pid(env, window):
    out = subprocess.run(["xdotool", "getwindowpid", window], env=env, capture_output=True, text=True,
                         timeout=10).stdout.strip()
    return int(out) if out.isdigit() else None


def one_run(prefix, program, title, timeout=60):
    """(seconds to the visible window, peak memory in KiB) of one start of `program`."""
    env = prefix.env()
    started = time.monotonic()
    process = prefix.start([prefix.windows_path(program)])
    try:
        while True:
            window = visible_window(env, title)
            if window:
                elapsed = time.monotonic() - started
                break
            if process.poll() is not None or time.monotonic() - started > timeout:
                raise RuntimeError("%s showed no window %r (exit code %r)" % (program, title, process.poll()))
            time.sleep(0.005)
        # Let the start-up settle, then read the peak of the process that owns the window.
        time.sleep(1.0)
        pid = window_pid(env, window) or process.pid
        return elapsed, peak_memory_kib(pid)
    finally:
        process.kill()
        process.wait()
        deadline = time.monotonic() + 30
        while visible_window(env, title) and time.monotonic() < deadline:
            time.sleep(0.05)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--out", default=os.path.join(ROOT, "build-win32"), help="the Windows build folder")
    parser.add_argument("--template", default=os.path.join(ROOT, ".cache", "wine-template"))
    args = parser.parse_args()

    launcher = os.path.join(args.out, "out", "vkr.exe")
    bare = os.path.join(args.out, "bench", "bare_window.exe")
    for path in (launcher, bare):
        if not os.path.isfile(path):
            sys.exit("missing %s (build the Windows targets vkr and bare_window)" % path)

    scratch = tempfile.mkdtemp(prefix="vkr-bench-")
    xvfb = None
    stand_in = standin.StandIn(record_dir=os.path.join(scratch, "standin"))
    prefix = None
    try:
        display = os.environ.get("DISPLAY")
        if not display:
            xvfb = winenv.Xvfb()
            display = xvfb.display
        port = stand_in.start()
        prefix = winenv.WinePrefix(args.template, scratch, display=display)
        prefix.set_proxy(port)
        prefix.set_desktop_look()
        prefix.start_server()
        # The prefix's own processes (services, the desktop) start with the first program: start
        # them before anything is measured.
        prefix.run(["reg", "query", r"HKCU\Software"], timeout=60)
        install = prefix.unix_path(INSTALL_DIR)
        os.makedirs(install, exist_ok=True)
        shutil.copy2(launcher, install)
        shutil.copytree(os.path.join(os.path.dirname(launcher), "Skin"), os.path.join(install, "Skin"))
        shutil.copy2(bare, install)
        programs = [("vkr", os.path.join(install, "vkr.exe"), "^VelqoMorvane$"),
                    ("bare", os.path.join(install, "bare_window.exe"), "^BareWindow$")]

        for _, program, title in programs:  # warm the file cache and the prefix
            one_run(prefix, program, title)
        results = {name: [] for name, _, _ in programs}
        for run in range(args.runs):
            order = programs if run % 2 == 0 else list(reversed(programs))
            for name, program, title in order:
                seconds, peak = one_run(prefix, program, title)
                results[name].append((seconds, peak))
                print("run %d %-4s %7.1f ms  peak %7d KiB" % (run + 1, name, seconds * 1000, peak), flush=True)

        vkr_ms = statistics.median(s for s, _ in results["vkr"]) * 1000
        bare_ms = statistics.median(s for s, _ in results["bare"]) * 1000
        vkr_peak = max(p for _, p in results["vkr"])
        bare_peak = max(p for _, p in results["bare"])
        print("median to visible: vkr %.1f ms, bare window %.1f ms, ratio %.2f" % (vkr_ms, bare_ms, vkr_ms / bare_ms))
        print("peak memory: vkr %d KiB, bare window %d KiB, ratio %.2f" % (vkr_peak, bare_peak,
                                                                            vkr_peak / max(bare_peak, 1)))
    finally:
        if prefix is not None:
            prefix.kill()
        stand_in.stop()
        if xvfb is not None:
            xvfb.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
