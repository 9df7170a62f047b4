"""Wine environments for the launcher: a private X display, fresh copies of the template prefix with
the per-user settings the tests and the demo need, and the prefix's wineserver.

Used by the e2e harness (imported) and by scripts/run (as a command). Standard library only.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

INTERNET_SETTINGS_KEY = r"Software\Microsoft\Windows\CurrentVersion\Internet Settings"
WINE_BROWSER_KEY = r"Software\Wine\WineBrowser"


def wait_for(condition, timeout, interval=0.05, what="condition"):
    """Polls condition() until it returns a true value, which is returned; raises TimeoutError
    naming `what` once `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Xvfb:
    """A virtual X server on a display number the server picks itself (so that parallel runs
    never collide). It never resets: by default an X server resets when its last client goes,
    and a program that connects meanwhile is turned away (between two tests, no client may be
    left)."""

    def __init__(self, width=1280, height=1024):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        try:
            with os.fdopen(read_end, "rb") as reader:
                # Xvfb writes the display number and a newline once it accepts clients.
                while not number.endswith(b"\n"):
                    chunk = reader.read(1)
                    if not chunk:
                        raise RuntimeError("Xvfb ended before reporting its display")
                    number += chunk
        except BaseException:
            self.stop()
            raise
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def _reg_string(text):
    out = []
    for ch in text:
        if ch in '\\"':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append("\\x%04x" % ord(ch))
    return '"' + "".join(out) + '"'


def registry_section(key, values):
    """The text of one section of a Wine registry file setting `values` (name -> int for a DWORD,
    str for a string) under `key`, a path relative to the file's root."""
    lines = ["", "[%s] %d" % (key.replace("\\", "\\\\"), int(time.time()))]
    for name, value in values.items():
        if isinstance(value, bool) or not isinstance(value, (int, str)):
            raise TypeError("unsupported registry value for %s: %r" % (name, value))
        if isinstance(value, int):
            lines.append("%s=dword:%08x" % (_reg_string(name), value))
        else:
            lines.append("%s=%s" % (_reg_string(name), _reg_string(value)))
    return "\n".join(lines) + "\n"


class WinePrefix:
    """A private copy of the template prefix with its own HOME, and the wineserver that serves it.

    Per-user settings are written into user.reg before any Wine process runs (the wineserver keeps
    the registry in memory and would overwrite later edits of the file)."""

    def __init__(self, template, root, display=None):
        self.root = root
        self.path = os.path.join(root, "prefix")
        self.home = os.path.join(root, "home")
        self.display = display
        self._server_started = False
        os.makedirs(self.home, exist_ok=True)
        subprocess.run(["cp", "-a", template, self.path], check=True)

    @property
    def drive_c(self):
        return os.path.join(self.path, "drive_c")

    def env(self, extra=None):
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": self.path,
            "WINEARCH": "win32",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d",
            "HOME": self.home,
            "LC_ALL": "zh_CN.UTF-8",
        })
        if self.display:
            env["DISPLAY"] = self.display
        if extra:
            env.update(extra)
        return env

    def add_user_values(self, key, values):
        if self._server_started:
            raise RuntimeError("user.reg can only be edited before the wineserver starts")
        with open(os.path.join(self.path, "user.reg"), "a", encoding="ascii") as reg:
            reg.write(registry_section(key, values))

    def set_proxy(self, port):
        """Points WinINet and the browser control of this prefix at 127.0.0.1:port."""
        self.add_user_values(INTERNET_SETTINGS_KEY, {"ProxyEnable": 1, "ProxyServer": "127.0.0.1:%d" % port})

    def set_browser(self, program):
        """Makes ShellExecute of a web address run `program` (a Linux path) with the address."""
        self.add_user_values(WINE_BROWSER_KEY, {"Browsers": program})

    def set_desktop_look(self):
        """What a Windows desktop has and Xvfb without a window manager lacks: the launcher's
        Chinese window font, and windows that Wine places itself, so that maximising works."""
        self.add_user_values(r"Software\Wine\Fonts\Replacements", {"微软雅黑": "WenQuanYi Micro Hei"})
        self.add_user_values(r"Software\Wine\X11 Driver", {"Managed": "N"})

    def windows_path(self, unix_path):
        """The Windows form of a Linux path: under drive_c as C:, anything else through Z:."""
        unix_path = os.path.abspath(unix_path)
        drive_c = os.path.abspath(self.drive_c)
        if unix_path == drive_c or unix_path.startswith(drive_c + os.sep):
            rest = unix_path[len(drive_c):]
            return "C:" + (rest.replace("/", "\\") or "\\")
        return "Z:" + unix_path.replace("/", "\\")

    def unix_path(self, windows_path):
        """The Linux path of a C: path in this prefix."""
        if windows_path[:2].upper() != "C:":
            raise ValueError("not a C: path: " + windows_path)
        return os.path.join(self.drive_c, *[p for p in windows_path[2:].split("\\") if p])

    def start_server(self):
        """Keeps a wineserver running for this prefix, so that each program starts in well under a
        second."""
        subprocess.run(["wineserver", "-p"], env=self.env(), check=True)
        self._server_started = True

    def start(self, args, extra_env=None, **popen_args):
        """Starts `wine args...` in this prefix and returns the Popen."""
        popen_args.setdefault("stdout", subprocess.DEVNULL)
        popen_args.setdefault("stderr", subprocess.DEVNULL)
        return subprocess.Popen(["wine"] + list(args), env=self.env(extra_env), start_new_session=True,
                                **popen_args)

    def run(self, args, timeout=60, extra_env=None):
        """Runs `wine args...` to its end and returns the CompletedProcess with its output as bytes.

        Output goes through files, not pipes: the prefix's background processes (services,
        explorer) inherit the handles and would hold a pipe open long after the program ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen(["wine"] + list(args), env=self.env(extra_env), stdout=out, stderr=err,
                                       stdin=subprocess.DEVNULL, start_new_session=True)
            try:
                returncode = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(process.args, returncode, out.read(), err.read())

    def reg_query(self, key, value=None):
        """The data of one value as `wine reg query` prints it, or None when the key or value is
        absent. `key` is a full path such as HKCU\\Software\\..."""
        args = ["reg", "query", key] + (["/v", value] if value is not None else [])
        result = self.run(args)
        if result.returncode != 0:
            return None
        text = result.stdout.decode("utf-8", "replace")
        if value is None:
            return text
        for line in text.splitlines():
            match = re.match(r"^\s+(.*?)\s+(REG_[A-Z_]+)(?:\s+(.*))?$", line)
            if match and match.group(1).lower() == value.lower():
                return match.group(3) or ""
        return None

    def kill(self):
        """Ends every process of this prefix and its wineserver."""
        subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        try:
            subprocess.run(["wineserver", "-w"], env=self.env(), timeout=30)
        except subprocess.TimeoutExpired:
            pass
        self._server_started = False

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def _main():
    parser = argparse.ArgumentParser(description="Prepare a fresh Wine prefix for the launcher.")
    parser.add_argument("--template", required=True)
    parser.add_argument("--root", required=True, help="folder that receives prefix/ and home/")
    parser.add_argument("--proxy-port", type=int)
    parser.add_argument("--browser", help="Linux program that receives web addresses")
    parser.add_argument("--desktop-look", action="store_true",
                        help="the launcher's window font and windows placed by Wine (no window manager)")
    args = parser.parse_args()
    prefix = WinePrefix(args.template, args.root)
    if args.proxy_port:
        prefix.set_proxy(args.proxy_port)
    if args.browser:
        prefix.set_browser(args.browser)
    if args.desktop_look:
        prefix.set_desktop_look()
    print(prefix.path)


if __name__ == "__main__":
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(_main())
