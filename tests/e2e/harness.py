"""The e2e harness: the real vkr.exe under Wine, in a fresh copy of the template prefix, with the
stand-in as its proxy and a private X display.

Every test of LauncherTestCase gets its own scratch folder (prefix, HOME, stand-in records, browser
log), its own stand-in and its own wineserver; everything is ended at the end of the test. Waiting
is always for a condition with a deadline.

What it shares with the Linux harness (display, stand-in, profile files, the screen) is in
tests/harness_common.py.

Locations come from the environment (scripts/test sets them) or default to the checkout:
  VKR_WIN32_OUT      the Windows build's output folder (vkr.exe, tools/)
  VKR_WINE_TEMPLATE  the template prefix built by scripts/setup
  VKR_E2E_ARTIFACTS  where screenshots go
"""

import os
import socket
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

import harness_common  # noqa: E402
from harness_common import ROOT, display, read_ini, read_text_file, winenv  # noqa: E402
# Re-exported for the tests.
from harness_common import ENTER_GAME_URL, LOGIN_SIZE, standin, tree_state, wait_for, write_ini  # noqa: E402,F401

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


def closed_port():
    """A loopback port that nobody listens on (connections to it are refused)."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


# Signals with which the tests themselves (or the wineserver's end) stop a program; any other
# signal means the program died by itself.
STOP_SIGNALS = (-signal.SIGKILL, -signal.SIGTERM)


class LauncherTestCase(harness_common.DisplayTestCase):
    """Base of the e2e tests. setUp prepares the prefix, stand-in and wineserver; tests install the
    launcher, start it and look at windows, files, the registry and the stand-in's records."""

    standin_version = "1.4.0.0"
    # True points the prefix's proxy at a closed port: every web request is refused.
    proxy_refused = False
    artifacts = ARTIFACTS

    def setUp(self):
        for path in (LAUNCHER, RUN_RECORDER, WINDOW_TEXTS, WINDOW_PING, PRESS_BUTTON, MAKE_SHORTCUT):
            if not os.path.isfile(path):
                self.fail("missing build output %s (build the Windows targets first)" % path)
        if not os.path.isdir(os.path.join(TEMPLATE, "drive_c")):
            self.fail("missing template prefix %s (run scripts/setup)" % TEMPLATE)
        self.scratch = tempfile.mkdtemp(prefix="vkr-e2e-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.display = display()

        self.start_standin(os.path.join(self.scratch, "standin"), version=self.standin_version, installer=RUN_RECORDER,
                           updater=RUN_RECORDER)

        self.prefix = winenv.WinePrefix(TEMPLATE, self.scratch, display=self.display)
        self.prefix.set_proxy(closed_port() if self.proxy_refused else self.standin_port)
        self.browser_log = os.path.join(self.scratch, "browser.log")
        browser = os.path.join(self.scratch, "browser.sh")
        harness_common.write_recorder(browser, self.browser_log)
        self.prefix.set_browser(browser)
        self.prefix.start_server()
        self.addCleanup(self.prefix.kill)
        self._processes = []
        self.addCleanup(self._end_processes)

    def env(self):
        return self.prefix.env()

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

    def browser_addresses(self):
        return harness_common.recorded_lines(self.browser_log)

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

    def window_texts(self, caption):
        """[(class, text)] of the child windows of the visible window titled exactly `caption`,
        read through the system (message-box texts are not visible to X tools)."""
        result = self.prefix.run([WINDOW_TEXTS, caption], timeout=30)
        rows = []
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            window_class, _, text = line.partition("\t")
            rows.append((window_class, text))
        return rows

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
