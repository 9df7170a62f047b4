"""The Linux e2e harness: the real vkr (GTK 3, WebKitGTK) on a private Xvfb, with private HOME and
XDG folders, the stand-in as http_proxy, a recording xdg-open first on PATH, and a private session
bus with a StatusNotifierWatcher for the tray.

Every test gets its own scratch folder, stand-in, bus and watcher; everything is ended at the end
of the test. Waiting is always for a condition with a deadline.

Locations come from the environment (scripts/test sets them) or default to the checkout:
  VKR_LINUX_OUT           the native build's output folder (vkr and its Skin folder)
  VKR_LINUX_E2E_ARTIFACTS where screenshots go
"""

import atexit
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "winenv"))
sys.path.insert(0, os.path.join(ROOT, "tools", "standin"))

import standin  # noqa: E402
import winenv  # noqa: E402
from winenv import wait_for  # noqa: E402,F401  (re-exported for the tests)

OUT = os.path.abspath(os.environ.get("VKR_LINUX_OUT", os.path.join(ROOT, "build-native", "out")))
ARTIFACTS = os.path.abspath(os.environ.get("VKR_LINUX_E2E_ARTIFACTS", os.path.join(OUT, "..", "linux-e2e")))
LAUNCHER = os.path.join(OUT, "vkr")
WATCHER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_watcher.py")

TITLE = "^VelqoMorvane$"
LOGIN_SIZE = (888, 566)
# The login window's browser rectangle (client coordinates).
BROWSER = (287, 202, 570, 340)
ENTER_GAME_URL = "http://login.velqo.com/entergame_pc.php?sid=7&server=s12"

_display = None


def display():
    """$DISPLAY when set, otherwise one private Xvfb for the whole run."""
    global _display
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    if _display is None:
        _display = winenv.Xvfb()
        atexit.register(_display.stop)
    return _display.display


class LinuxTestCase(unittest.TestCase):
    """Base of the Linux e2e tests: starts the launcher with start_launcher() and looks at its
    windows, its files, the stand-in's records and what went to xdg-open."""

    def setUp(self):
        if not os.access(LAUNCHER, os.X_OK):
            self.fail("missing build output %s (build the native targets first)" % LAUNCHER)
        self.scratch = tempfile.mkdtemp(prefix="vkr-linux-e2e-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.home = os.path.join(self.scratch, "home")
        self.bin = os.path.join(self.scratch, "bin")
        for folder in (self.home, self.bin, os.path.join(self.scratch, "runtime")):
            os.makedirs(folder, mode=0o700)
        self.display = display()
        self._processes = []
        self.addCleanup(self._end_processes)

        self.standin = standin.StandIn(record_dir=os.path.join(self.scratch, "standin"))
        self.standin_port = self.standin.start()
        self.addCleanup(self.standin.stop)

        self.opened_log = os.path.join(self.scratch, "xdg-open.log")
        xdg_open = os.path.join(self.bin, "xdg-open")
        with open(xdg_open, "w") as script:
            script.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % self.opened_log)
        os.chmod(xdg_open, 0o755)

        self._start_bus()

    def env(self):
        env = dict(os.environ)
        for name in list(env):
            if name.startswith(("XDG_", "DBUS_")) or name.lower() in ("http_proxy", "https_proxy", "no_proxy",
                                                                       "all_proxy"):
                del env[name]
        env.update({
            "DISPLAY": self.display,
            "HOME": self.home,
            "XDG_RUNTIME_DIR": os.path.join(self.scratch, "runtime"),
            "PATH": self.bin + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"),
            "http_proxy": "http://127.0.0.1:%d" % self.standin_port,
            "DBUS_SESSION_BUS_ADDRESS": self.bus_address,
            "NO_AT_BRIDGE": "1",
        })
        return env

    def _start_bus(self):
        socket_path = os.path.join(self.scratch, "bus")
        self.bus_address = "unix:path=" + socket_path
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + self.bus_address],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._processes.append(bus)
        wait_for(lambda: os.path.exists(socket_path), 10, what="the session bus")
        self.tray_log = os.path.join(self.scratch, "tray.log")
        # Debian's python3 has the GObject bindings (python3-gi).
        watcher = subprocess.Popen(["/usr/bin/python3", WATCHER, self.tray_log], env=dict(
            os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus_address), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self._processes.append(watcher)
        wait_for(lambda: os.path.exists(self.tray_log + ".ready"), 20, what="the tray watcher")

    # The launcher -------------------------------------------------------------------------------

    @property
    def data_dir(self):
        return os.path.join(self.home, ".local", "share", "velqo", "vkr")

    def write_config(self, **common):
        os.makedirs(self.data_dir, exist_ok=True)
        lines = ["[Common]"] + ["%s=%s" % item for item in common.items()]
        with open(os.path.join(self.data_dir, "lander.ini"), "w", encoding="utf-8", newline="\r\n") as ini:
            ini.write("\n".join(lines) + "\n")

    def read_ini(self):
        sections, current = {}, None
        path = os.path.join(self.data_dir, "lander.ini")
        if not os.path.isfile(path):
            return sections
        with open(path, encoding="utf-8") as ini:
            for line in ini.read().splitlines():
                line = line.strip()
                if line.startswith("[") and "]" in line:
                    current = sections.setdefault(line[1:line.index("]")], {})
                elif current is not None and "=" in line:
                    key, _, value = line.partition("=")
                    current.setdefault(key.strip(), value.strip())
        return sections

    def start_launcher(self, *arguments):
        # A process group of its own: the engine's processes go with it at the end.
        with open(os.path.join(self.scratch, "vkr.err"), "w") as errors:
            process = subprocess.Popen([LAUNCHER] + list(arguments), env=self.env(), cwd=self.scratch,
                                       stdout=subprocess.DEVNULL, stderr=errors, start_new_session=True)
        self._processes.append(process)
        return process

    def wait_exit(self, process, timeout=30):
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.screenshot("still-running")
            self.fail("the launcher was still running after %d s" % timeout)
        self.assertGreaterEqual(code, 0, "the launcher ended by signal %d" % -code)
        return code

    def _end_processes(self):
        for process in reversed(self._processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGKILL) if self._owns_group(process) else process.kill()
                except ProcessLookupError:
                    pass
                process.wait()
            elif self._owns_group(process):
                try:
                    os.killpg(process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass

    @staticmethod
    def _owns_group(process):
        try:
            return os.getpgid(process.pid) == process.pid
        except ProcessLookupError:
            return False

    # What it did --------------------------------------------------------------------------------

    def opened(self):
        """The addresses the launcher gave to xdg-open, in order."""
        if not os.path.isfile(self.opened_log):
            return []
        with open(self.opened_log, encoding="utf-8") as log:
            return [line.rstrip("\n") for line in log]

    def requests(self, host=None, path=None):
        return [r for r in self.standin.get_records("request")
                if (host is None or r["host"] == host) and (path is None or r["path"] == path)]

    def tray_items(self):
        if not os.path.isfile(self.tray_log):
            return []
        with open(self.tray_log) as log:
            return [line.strip() for line in log if line.strip()]

    def tray_call(self, item, method):
        """Calls Activate or ContextMenu on a tray item, as a desktop's host does on a click."""
        result = subprocess.run(["gdbus", "call", "--session", "--dest", item, "--object-path", "/StatusNotifierItem",
                                 "--method", "org.kde.StatusNotifierItem." + method, "10", "10"],
                                env=self.env(), capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 0, result.stderr)

    def tray_property(self, item, name):
        result = subprocess.run(["gdbus", "call", "--session", "--dest", item, "--object-path", "/StatusNotifierItem",
                                 "--method", "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierItem", name],
                                env=self.env(), capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    # Windows ------------------------------------------------------------------------------------

    def xdotool(self, *arguments, check=False):
        result = subprocess.run(["xdotool"] + list(arguments), env=self.env(), capture_output=True, text=True,
                                timeout=20)
        if check and result.returncode != 0:
            self.fail("xdotool %s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def visible_windows(self, name=None, pid=None):
        arguments = ["search", "--onlyvisible"]
        if pid is not None:
            arguments += ["--pid", str(pid)]
        arguments += ["--name", name if name is not None else ""]
        return self.xdotool(*arguments).split()

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def launcher_windows(self, size=None):
        windows = self.visible_windows(TITLE)
        return [w for w in windows if size is None or self.geometry(w)[2:] == tuple(size)]

    def wait_launcher_window(self, size, timeout=30):
        try:
            return wait_for(lambda: self.launcher_windows(size), timeout, what="a %dx%d window" % tuple(size))[0]
        except TimeoutError as error:
            self.screenshot("no-window")
            self.fail(str(error))

    def screen_size(self):
        out = subprocess.run(["xdpyinfo"], env=self.env(), capture_output=True, text=True).stdout
        width, height = re.search(r"dimensions:\s+(\d+)x(\d+)", out).groups()
        return int(width), int(height)

    def click(self, x, y, button="1"):
        self.xdotool("mousemove", str(x), str(y), check=True)
        self.xdotool("click", button, check=True)

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text, check=True)

    def key(self, *keys):
        self.xdotool("key", *keys, check=True)

    def screenshot(self, name):
        """Saves the whole screen as <artifacts>/<test>-<name>.png and returns the path."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        test = re.sub(r"[^A-Za-z0-9_.-]+", "_", self.id().split(".", 1)[-1])
        path = os.path.join(ARTIFACTS, "%s-%s.png" % (test, name))
        subprocess.run(["import", "-window", "root", path], env=self.env(), capture_output=True, timeout=30)
        return path

    def region_share(self, shot, x, y, width, height, expression):
        """The share of pixels of a part of a screenshot for which the ImageMagick expression holds."""
        out = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", "-fx",
                              "(%s) ? 1 : 0" % expression, "-format", "%[fx:mean]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        return float(out)

    def pixel(self, shot, x, y):
        out = subprocess.run(["convert", shot, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                             capture_output=True, text=True, check=True).stdout
        values = out.splitlines()[-1].split("(", 1)[1].split(")", 1)[0].split(",")
        return tuple(int(float(v)) for v in values[:3])

    def wait(self, condition, timeout, what, interval=0.05):
        """wait_for, with a screenshot when the condition never held."""
        try:
            return wait_for(condition, timeout, interval=interval, what=what)
        except TimeoutError as error:
            self.screenshot("timed-out")
            self.fail(str(error))

    def wait_screen(self, condition, timeout, what):
        """Takes screenshots until condition(shot) holds; returns the last one."""
        def check():
            shot = self.screenshot("poll")
            return shot if condition(shot) else None
        try:
            return wait_for(check, timeout, interval=0.2, what=what)
        except TimeoutError as error:
            self.fail(str(error))
