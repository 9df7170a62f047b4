"""The e2e harness: the real vkr.exe under Wine, in a fresh copy of the template prefix, with the
stand-in as its proxy and a private X display.

Every test of LauncherTestCase gets its own scratch folder (prefix, HOME, stand-in records, browser
log), its own stand-in and its own wineserver; everything is ended at the end of the test. Waiting
is always for a condition with a deadline.

Locations come from the environment (scripts/test sets them) or default to the checkout:
  VKR_WIN32_OUT      the Windows build's output folder (vkr.exe, tools/)
  VKR_WINE_TEMPLATE  the template prefix built by scripts/setup
  VKR_E2E_ARTIFACTS  where screenshots go
"""

import atexit
import hashlib
import os
import socket
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

WIN32_OUT = os.path.abspath(os.environ.get("VKR_WIN32_OUT", os.path.join(ROOT, "build-win32", "out")))
TEMPLATE = os.path.abspath(os.environ.get("VKR_WINE_TEMPLATE", os.path.join(ROOT, ".cache", "wine-template")))
ARTIFACTS = os.path.abspath(os.environ.get("VKR_E2E_ARTIFACTS", os.path.join(WIN32_OUT, "..", "e2e")))

LAUNCHER = os.path.join(WIN32_OUT, "vkr.exe")
SKIN_FOLDER = os.path.join(WIN32_OUT, "Skin")
RUN_RECORDER = os.path.join(WIN32_OUT, "tools", "run_recorder.exe")
WINDOW_TEXTS = os.path.join(WIN32_OUT, "tools", "window_texts.exe")
WINDOW_PING = os.path.join(WIN32_OUT, "tools", "window_ping.exe")
MAKE_SHORTCUT = os.path.join(WIN32_OUT, "tools", "make_shortcut.exe")
PRESS_BUTTON = os.path.join(WIN32_OUT, "tools", "press_button.exe")

# Where the launcher is installed in each prefix, and its per-machine data folder there.
INSTALL_DIR_WINDOWS = r"C:\Program Files\Velqo\vkr"
DATA_DIR_WINDOWS = r"C:\ProgramData\Velqo\vkr"

_display = None


def display():
    """The X display for the tests: $DISPLAY when set, otherwise one private Xvfb for the whole run."""
    global _display
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    if _display is None:
        _display = winenv.Xvfb()
        atexit.register(_display.stop)
    return _display.display


def closed_port():
    """A loopback port that nobody listens on (connections to it are refused)."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def tree_state(*roots):
    """{path: SHA-256 of the file, or "dir" for a folder} of everything under the roots (a root that
    is a file stands for itself; a missing root contributes nothing). Compare two states to show
    that files stayed byte for byte."""
    state = {}
    for root in roots:
        if os.path.isfile(root):
            with open(root, "rb") as file:
                state[root] = hashlib.sha256(file.read()).hexdigest()
            continue
        for folder, folders, files in os.walk(root):
            state[folder] = "dir"
            for name in files:
                path = os.path.join(folder, name)
                if os.path.islink(path):
                    state[path] = "link:" + os.readlink(path)
                    continue
                digest = hashlib.sha256()
                with open(path, "rb") as file:
                    for block in iter(lambda: file.read(1 << 20), b""):
                        digest.update(block)
                state[path] = digest.hexdigest()
    return state


def read_text_file(path):
    """A text file written by a Windows program: UTF-16 with its byte-order mark, else UTF-8, else
    the Chinese ANSI code page that Wine uses under zh_CN."""
    with open(path, "rb") as file:
        data = file.read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gbk", "replace")


def read_ini(path):
    """{section: {key: value}} of a profile file; blanks around keys and values are dropped and
    the first occurrence of a key wins."""
    sections = {}
    current = None
    for line in read_text_file(path).splitlines():
        line = line.strip()
        if line.startswith("[") and "]" in line:
            current = sections.setdefault(line[1:line.index("]")], {})
        elif current is not None and "=" in line:
            key, _, value = line.partition("=")
            current.setdefault(key.strip(), value.strip())
    return sections


def write_ini(path, sections, encoding="utf-16"):
    """Writes {section: {key: value}} as a profile file. UTF-16 with its byte-order mark (the
    default) carries any text; "gbk" writes what the ANSI profile functions write under zh_CN."""
    lines = []
    for section, values in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (key, value) for key, value in values.items())
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(("\r\n".join(lines) + "\r\n").encode(encoding))


# Signals with which the tests themselves (or the wineserver's end) stop a program; any other
# signal means the program died by itself.
STOP_SIGNALS = (-signal.SIGKILL, -signal.SIGTERM)


class LauncherTestCase(unittest.TestCase):
    """Base of the e2e tests. setUp prepares the prefix, stand-in and wineserver; tests install the
    launcher, start it and look at windows, files, the registry and the stand-in's records."""

    standin_version = "1.4.0.0"
    # True points the prefix's proxy at a closed port: every web request is refused.
    proxy_refused = False

    def setUp(self):
        for path in (LAUNCHER, RUN_RECORDER, WINDOW_TEXTS, WINDOW_PING, PRESS_BUTTON, MAKE_SHORTCUT):
            if not os.path.isfile(path):
                self.fail("missing build output %s (build the Windows targets first)" % path)
        if not os.path.isdir(os.path.join(TEMPLATE, "drive_c")):
            self.fail("missing template prefix %s (run scripts/setup)" % TEMPLATE)
        self.scratch = tempfile.mkdtemp(prefix="vkr-e2e-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.display = display()

        self.standin = standin.StandIn(version=self.standin_version, installer=RUN_RECORDER, updater=RUN_RECORDER,
                                       record_dir=os.path.join(self.scratch, "standin"))
        self.standin_port = self.standin.start()
        self.addCleanup(self.standin.stop)

        self.prefix = winenv.WinePrefix(TEMPLATE, self.scratch, display=self.display)
        self.prefix.set_proxy(closed_port() if self.proxy_refused else self.standin_port)
        self.browser_log = os.path.join(self.scratch, "browser.log")
        browser = os.path.join(self.scratch, "browser.sh")
        with open(browser, "w") as script:
            script.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % self.browser_log)
        os.chmod(browser, 0o755)
        self.prefix.set_browser(browser)
        self.prefix.start_server()
        self.addCleanup(self.prefix.kill)
        self._processes = []
        self.addCleanup(self._end_processes)

    # Files in the prefix -----------------------------------------------------------------------

    def unix_path(self, windows_path):
        return self.prefix.unix_path(windows_path)

    @property
    def data_dir(self):
        return self.unix_path(DATA_DIR_WINDOWS)

    @property
    def install_dir(self):
        return self.unix_path(INSTALL_DIR_WINDOWS)

    def install_launcher(self, with_skin=True):
        """Copies vkr.exe (and its Skin folder unless with_skin is false) into the install folder
        of the prefix; returns the Linux path of the copied program."""
        os.makedirs(self.install_dir, exist_ok=True)
        target = os.path.join(self.install_dir, "vkr.exe")
        shutil.copy2(LAUNCHER, target)
        if with_skin:
            if not os.path.isdir(SKIN_FOLDER):
                self.fail("the build has no Skin folder beside vkr.exe")
            shutil.copytree(SKIN_FOLDER, os.path.join(self.install_dir, "Skin"))
        return target

    def place_recorder(self, unix_path):
        """Puts the recording program at unix_path; it writes unix_path + ".ran" when started."""
        os.makedirs(os.path.dirname(unix_path), exist_ok=True)
        shutil.copy2(RUN_RECORDER, unix_path)
        return unix_path

    @staticmethod
    def recorded_runs(program_path):
        """The command lines with which a recording program ran (empty when it never ran)."""
        marker = program_path + ".ran"
        if not os.path.isfile(marker):
            return []
        return [line for line in read_text_file(marker).splitlines() if line]

    def read_ini(self, unix_path):
        return read_ini(unix_path)

    def write_lander_ini(self, sections, encoding="utf-16"):
        """Puts a lander.ini into DataDir before the launcher starts."""
        path = os.path.join(self.data_dir, "lander.ini")
        write_ini(path, sections, encoding)
        return path

    # Registry and stand-in ---------------------------------------------------------------------

    def reg_query(self, key, value=None):
        return self.prefix.reg_query(key, value)

    def standin_records(self, kind):
        return self.standin.get_records(kind)

    def browser_addresses(self):
        if not os.path.isfile(self.browser_log):
            return []
        with open(self.browser_log, encoding="utf-8", errors="replace") as log:
            return [line.rstrip("\n") for line in log]

    # Processes ---------------------------------------------------------------------------------

    def start_launcher(self, program, *arguments, cwd=None):
        """Starts a Windows program of the prefix (Linux path) with arguments; returns the Popen.
        With `cwd` (a Linux path in the prefix) the program starts with that folder as its current
        folder, as Explorer and shortcuts start a program in its own folder."""
        process = self.prefix.start([self.prefix.windows_path(program)] + list(arguments), cwd=cwd)
        self._processes.append(process)
        return process

    def wait_exit(self, process, timeout=30):
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.screenshot("still-running")
            self.fail("the program was still running after %d s" % timeout)

    def _end_processes(self):
        # A program that died by a signal has failed, whatever the test saw before.
        died = ["%s ended by signal %d" % (process.args[1] if len(process.args) > 1 else process.args[0],
                                           -process.returncode)
                for process in self._processes
                if process.poll() is not None and process.returncode < 0 and process.returncode not in STOP_SIGNALS]
        for process in self._processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        if died:
            self.fail("; ".join(died))

    # Windows -----------------------------------------------------------------------------------

    def xdotool(self, *arguments, check=False):
        result = subprocess.run(["xdotool"] + list(arguments), env=self.prefix.env(), capture_output=True,
                                text=True, timeout=20)
        if check and result.returncode != 0:
            self.fail("xdotool %s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result.stdout

    def visible_windows(self, name=None, pid=None):
        """Ids of the visible windows whose title matches the regular expression `name` (any title
        when None) and, when `pid` is given, that belong to that process."""
        arguments = ["search", "--onlyvisible"]
        if pid is not None:
            arguments += ["--pid", str(pid)]
        if name is not None or pid is None:
            arguments += ["--name", name if name is not None else ""]
        return self.xdotool(*arguments).split()

    def geometry(self, window):
        """(left, top, width, height) of an X window, or None when it has gone (a window found by
        a search can go before it is asked for its place)."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        if not {"X", "Y", "WIDTH", "HEIGHT"} <= values.keys():
            return None
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def of_size(self, windows, size):
        """Those of `windows` that still exist with the (width, height) `size`."""
        return [w for w in windows if (self.geometry(w) or (0, 0, 0, 0))[2:] == size]

    def wait_window(self, name, timeout=30, pid=None):
        """The id of the first visible window titled `name` (a regular expression), polled with a
        deadline."""
        try:
            return wait_for(lambda: self.visible_windows(name, pid), timeout, what="window " + name)[0]
        except TimeoutError as error:
            self.screenshot("no-window")
            self.fail(str(error))

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def window_texts(self, caption):
        """[(class, text)] of the child windows of the visible window titled exactly `caption`,
        read through the system (message-box texts are not visible to X tools)."""
        result = self.prefix.run([WINDOW_TEXTS, caption], timeout=30)
        rows = []
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            window_class, _, text = line.partition("\t")
            rows.append((window_class, text))
        return rows

    def visible_titles(self):
        """The titles of every visible window on the display but the root window (the launcher's,
        a box, a crash dialog of the debugger, ...)."""
        root = self.xdotool("search", "--maxdepth", "0", "--name", "").split()
        return sorted(self.window_name(window) for window in self.visible_windows() if window not in root)

    def answers(self, caption, timeout_ms=5000):
        """True when every visible window titled `caption` answers a WM_NULL within the time-out,
        i.e. its thread still runs its message loop."""
        result = self.prefix.run([WINDOW_PING, caption, str(timeout_ms)], timeout=60)
        return result.returncode == 0

    def box_texts(self, caption):
        """The texts of the message boxes titled `caption` (their Static children with text)."""
        return [text for window_class, text in self.window_texts(caption) if window_class == "Static" and text]

    def dismiss_box(self, caption, text, button="确定", timeout=15):
        """Presses `button` of the box titled `caption` that says `text` until the system no longer
        shows that box (a box's X window can outlive it for a moment, so the system's view
        decides)."""
        def gone():
            if text not in self.box_texts(caption):
                return True
            self.prefix.run([PRESS_BUTTON, caption, button], timeout=60)
            return False

        wait_for(gone, timeout, interval=0.2, what="the box %r to close" % text)

    def watch(self, process, timeout, answer=None):
        """Waits, with a deadline, for the process to end, noting every new visible window
        meanwhile; `answer(window, title)` is called once for each (e.g. to dismiss a box).
        Windows already visible when it is called (the root window) do not count.
        Returns (exit code, [titles in the order they appeared])."""
        seen, titles = set(self.visible_windows()), []

        def ended():
            if process.poll() is not None:
                return True
            for window in self.visible_windows():
                if window not in seen:
                    seen.add(window)
                    title = self.window_name(window)
                    titles.append(title)
                    if answer is not None:
                        answer(window, title)
            return False

        try:
            wait_for(ended, timeout, interval=0.1, what="the program to end")
        except TimeoutError as error:
            self.screenshot("still-running")
            self.fail("%s (windows seen: %r)" % (error, titles))
        return process.returncode, titles

    def make_shortcut(self, link_unix_path, target_unix_path):
        """Writes a shell link at link_unix_path that starts target_unix_path (both Linux paths)."""
        os.makedirs(os.path.dirname(link_unix_path), exist_ok=True)
        result = self.prefix.run([MAKE_SHORTCUT, self.prefix.windows_path(link_unix_path),
                                  self.prefix.windows_path(target_unix_path)], timeout=60)
        self.assertEqual(result.returncode, 0, "make_shortcut failed for %s" % link_unix_path)
        return link_unix_path

    def press(self, window, *keys):
        """Focuses `window` and sends it the keys (xdotool names, e.g. "Return", "shift+Tab")."""
        self.xdotool("windowfocus", window)
        self.xdotool("key", "--window", window, *keys, check=True)

    def screenshot(self, name):
        """Saves the whole screen as <artifacts>/<test>-<name>.png and returns the path."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        test = re.sub(r"[^A-Za-z0-9_.-]+", "_", self.id().split(".", 1)[-1])
        path = os.path.join(ARTIFACTS, "%s-%s.png" % (test, name))
        subprocess.run(["import", "-window", "root", path], env=self.prefix.env(), capture_output=True, timeout=30)
        return path
