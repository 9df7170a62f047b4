"""What the two e2e harnesses share (tests/e2e: vkr.exe under Wine; tests/linux: the Linux vkr):
the private X display, the stand-in, the recording stand-ins of the browser or xdg-open, profile
files, and a test case base that drives and reads the screen with xdotool and ImageMagick.

Waiting is always for a condition with a deadline (wait_for). Standard library only.
"""

import atexit
import hashlib
import os
import re
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "winenv"))
sys.path.insert(0, os.path.join(ROOT, "tools", "standin"))

import standin  # noqa: E402
import winenv  # noqa: E402
from winenv import wait_for  # noqa: E402,F401  (re-exported for the harnesses)

# The launcher's windows: both windows carry this title; the login window has this size.
TITLE = "^VelqoMorvane$"
LOGIN_SIZE = (888, 566)
# A login address that enters the game at once.
ENTER_GAME_URL = "http://login.velqo.com/entergame_pc.php?sid=7&server=s12"

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
    """A text file the launcher wrote: UTF-16 with its byte-order mark, else UTF-8, else the
    Chinese ANSI code page that Wine uses under zh_CN."""
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
    """Writes {section: {key: value}} as a profile file with CR LF line ends. UTF-16 with its
    byte-order mark (the default) carries any text; "gbk" writes what the ANSI profile functions
    write under zh_CN."""
    lines = []
    for section, values in sections.items():
        lines.append("[%s]" % section)
        lines.extend("%s=%s" % (key, value) for key, value in values.items())
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as file:
        file.write(("\r\n".join(lines) + "\r\n").encode(encoding))


def write_recorder(script, log):
    """Writes an executable shell script at `script` that appends its arguments, as one line, to
    `log`: the stand-in of a program the launcher hands addresses to."""
    with open(script, "w") as out:
        out.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> '%s'\n" % log)
    os.chmod(script, 0o755)


def recorded_lines(log):
    """The lines a recorder wrote, in order (none when it never ran)."""
    if not os.path.isfile(log):
        return []
    with open(log, encoding="utf-8", errors="replace") as lines:
        return [line.rstrip("\n") for line in lines]


class DisplayTestCase(unittest.TestCase):
    """Base of both e2e harnesses' test cases. A subclass gives env() (the environment of the
    programs it starts, DISPLAY included), the class attribute `artifacts` (where screenshots
    go) and the list `self._processes` of what it started."""

    artifacts = None

    def env(self):
        raise NotImplementedError

    # The stand-in --------------------------------------------------------------------------------

    def start_standin(self, record_dir, **options):
        """Starts this test's stand-in (ended at the end of the test); returns its port."""
        self.standin = standin.StandIn(record_dir=record_dir, **options)
        self.standin_port = self.standin.start()
        self.addCleanup(self.standin.stop)
        return self.standin_port

    def standin_records(self, kind):
        return self.standin.get_records(kind)

    # Windows -------------------------------------------------------------------------------------

    def xdotool(self, *arguments, check=False):
        result = subprocess.run(["xdotool"] + list(arguments), env=self.env(), capture_output=True, text=True,
                                timeout=20)
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
        return [w for w in windows if (self.geometry(w) or (0, 0, 0, 0))[2:] == tuple(size)]

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def visible_titles(self):
        """The titles of every visible window on the display but the root window (the launcher's,
        a box, a crash dialog of the debugger, ...)."""
        root = self.xdotool("search", "--maxdepth", "0", "--name", "").split()
        return sorted(self.window_name(window) for window in self.visible_windows() if window not in root)

    def wait_window(self, name, timeout=30, pid=None):
        """The id of the first visible window titled `name` (a regular expression), polled with a
        deadline."""
        return self.wait(lambda: self.visible_windows(name, pid), timeout, what="window " + name,
                         shot="no-window")[0]

    def launcher_windows(self, size=None):
        """The visible launcher windows, of the given size when given."""
        windows = self.visible_windows(TITLE)
        if size is None:
            return windows
        return self.of_size(windows, size)

    def wait_launcher_window(self, size, timeout=30):
        try:
            return wait_for(lambda: self.launcher_windows(size), timeout, what="a %dx%d window" % tuple(size))[0]
        except TimeoutError as error:
            self.screenshot("no-window")
            ended = [process.returncode for process in self._processes if process.poll() is not None]
            self.fail("%s (exit codes of the programs that ended: %s; visible windows: %s)"
                      % (error, ended, self.visible_titles()))

    def screen_size(self):
        out = subprocess.run(["xdpyinfo"], env=self.env(), capture_output=True, text=True).stdout
        match = re.search(r"dimensions:\s+(\d+)x(\d+)", out)
        if not match:
            self.fail("no screen size")
        return int(match.group(1)), int(match.group(2))

    def click(self, x, y, button="1"):
        self.xdotool("mousemove", str(x), str(y), check=True)
        self.xdotool("click", button, check=True)

    # The screen ----------------------------------------------------------------------------------

    def screenshot(self, name):
        """Saves the whole screen as <artifacts>/<test>-<name>.png and returns the path."""
        os.makedirs(self.artifacts, exist_ok=True)
        test = re.sub(r"[^A-Za-z0-9_.-]+", "_", self.id().split(".", 1)[-1])
        path = os.path.join(self.artifacts, "%s-%s.png" % (test, name))
        subprocess.run(["import", "-window", "root", path], env=self.env(), capture_output=True, timeout=30)
        return path

    @staticmethod
    def pixel(shot, x, y):
        """(r, g, b) of one pixel of a screenshot, 8 bits a channel."""
        out = subprocess.run(["convert", shot, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                             capture_output=True, text=True, check=True).stdout
        values = out.splitlines()[-1].split("(", 1)[1].split(")", 1)[0].split(",")
        return tuple(int(float(v)) for v in values[:3])

    @staticmethod
    def region_share(shot, x, y, width, height, expression):
        """The share of pixels of a part of a screenshot for which the ImageMagick expression holds."""
        out = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage", "-fx",
                              "(%s) ? 1 : 0" % expression, "-format", "%[fx:mean]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        return float(out)

    def wait(self, condition, timeout, what, interval=0.05, shot="timed-out"):
        """wait_for, with a screenshot (named `shot`) and a failure when the condition never held."""
        try:
            return wait_for(condition, timeout, interval=interval, what=what)
        except TimeoutError as error:
            self.screenshot(shot)
            self.fail(str(error))
