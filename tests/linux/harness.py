"""The Linux e2e harness: the real vkr (GTK 3, WebKitGTK) on a private Xvfb, with private HOME and
XDG folders, the stand-in as http_proxy, a recording xdg-open first on PATH, and a private session
bus with a StatusNotifierWatcher for the tray.

Every test gets its own scratch folder, stand-in, bus and watcher; everything is ended at the end
of the test. Waiting is always for a condition with a deadline.

What it shares with the Wine harness (display, stand-in, profile files, the screen) is in
tests/harness_common.py.

Locations come from the environment (scripts/test sets them) or default to the checkout:
  VKR_LINUX_OUT           the native build's output folder (vkr and its Skin folder)
  VKR_LINUX_E2E_ARTIFACTS where screenshots go
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import harness_common  # noqa: E402
from harness_common import display, read_ini, wait_for  # noqa: E402
# Re-exported for the tests.
from harness_common import ENTER_GAME_URL, LOGIN_SIZE, ROOT, TITLE  # noqa: E402,F401

OUT = os.path.abspath(os.environ.get("VKR_LINUX_OUT", os.path.join(ROOT, "build-native", "out")))
ARTIFACTS = os.path.abspath(os.environ.get("VKR_LINUX_E2E_ARTIFACTS", os.path.join(OUT, "..", "linux-e2e")))
LAUNCHER = os.path.join(OUT, "vkr")
WATCHER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sni_watcher.py")

# The login window's browser rectangle (client coordinates).
BROWSER = (287, 202, 570, 340)


class LinuxTestCase(harness_common.DisplayTestCase):
    """Base of the Linux e2e tests: starts the launcher with start_launcher() and looks at its
    windows, its files, the stand-in's records and what went to xdg-open."""

    artifacts = ARTIFACTS

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

        self.start_standin(os.path.join(self.scratch, "standin"))

        self.opened_log = os.path.join(self.scratch, "xdg-open.log")
        harness_common.write_recorder(os.path.join(self.bin, "xdg-open"), self.opened_log)

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
        harness_common.write_ini(os.path.join(self.data_dir, "lander.ini"), {"Common": common}, "utf-8")

    def read_ini(self):
        """The sections of lander.ini ({} while there is none)."""
        path = os.path.join(self.data_dir, "lander.ini")
        return read_ini(path) if os.path.isfile(path) else {}

    def start_launcher(self, *arguments, program=LAUNCHER, env=None):
        # A process group of its own: the engine's processes go with it at the end.
        with open(os.path.join(self.scratch, "vkr.err"), "a") as errors:
            process = subprocess.Popen([program] + list(arguments), env=env or self.env(), cwd=self.scratch,
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
        return harness_common.recorded_lines(self.opened_log)

    def requests(self, host=None, path=None):
        return [r for r in self.standin_records("request")
                if (host is None or r["host"] == host) and (path is None or r["path"] == path)]

    def tray_items(self):
        if not os.path.isfile(self.tray_log):
            return []
        with open(self.tray_log) as log:
            return [line.strip() for line in log if line.strip()]

    def bus_call(self, destination, path, method, *arguments):
        """Calls a method on the session bus; returns gdbus's text of the reply."""
        result = subprocess.run(["gdbus", "call", "--session", "--dest", destination, "--object-path", path, "--method",
                                 method] + list(arguments), env=self.env(), capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def bus_names(self):
        """The names on the session bus now, unique and well-known (a tray item's own name goes with
        the item)."""
        reply = self.bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.ListNames")
        return re.findall(r"'([^']*)'", reply)

    def tray_call(self, item, method):
        """Calls Activate or ContextMenu on a tray item, as a desktop's host does on a click."""
        self.bus_call(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem." + method, "10", "10")

    def tray_property(self, item, name):
        return self.bus_call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties.Get",
                             "org.kde.StatusNotifierItem", name)

    # Windows ------------------------------------------------------------------------------------

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text, check=True)

    def key(self, *keys):
        self.xdotool("key", *keys, check=True)

    def wait_screen(self, condition, timeout, what):
        """Takes screenshots until condition(shot) holds; returns the last one."""
        def check():
            shot = self.screenshot("poll")
            return shot if condition(shot) else None
        try:
            return wait_for(check, timeout, interval=0.2, what=what)
        except TimeoutError as error:
            self.fail(str(error))
