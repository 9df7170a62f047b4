"""The Debian package (scripts/package), unpacked into a scratch root with `dpkg -x`: its menu
entry passes desktop-file-validate, its icons are the hicolor theme's sizes, and its executable
finds its skin under the prefix's share/vkr and starts under Xvfb against the stand-in to the
login page. Run by the linux-package step of scripts/test after the package is built:

  VKR_LINUX_PACKAGE  the .deb (default: the newest build-package/vkr_*.deb)
"""

import glob
import os
import subprocess
import unittest

from harness import ROOT
from test_linux_normal_mode import NormalModeTestCase
from harness import LOGIN_SIZE


def package_path():
    if os.environ.get("VKR_LINUX_PACKAGE"):
        return os.environ["VKR_LINUX_PACKAGE"]
    built = sorted(glob.glob(os.path.join(ROOT, "build-package", "vkr_*.deb")), key=os.path.getmtime)
    return built[-1] if built else os.path.join(ROOT, "build-package", "vkr.deb")


class InstalledPackageTest(NormalModeTestCase):

    def setUp(self):
        super().setUp()
        deb = package_path()
        if not os.path.isfile(deb):
            self.fail("missing package %s (run scripts/package first)" % deb)
        self.root = os.path.join(self.scratch, "root")
        subprocess.run(["dpkg", "-x", deb, self.root], check=True)
        self.program = os.path.join(self.root, "usr", "games", "vkr")

    def test_the_menu_entry_is_valid_and_names_the_installed_program_and_icon(self):
        entry = os.path.join(self.root, "usr", "share", "applications", "vkr.desktop")
        validated = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual(validated.returncode, 0, validated.stdout + validated.stderr)
        with open(entry, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertIn("Exec=/usr/games/vkr", lines)
        self.assertIn("Icon=vkr", lines)
        self.assertIn("Name=VelqoMorvane", lines)
        self.assertIn("Categories=Game;RolePlaying;", lines)
        self.assertTrue([line for line in lines if line.startswith("Name[zh_CN]=")])
        for size in (16, 22, 24, 32, 48, 64, 128, 256):
            icon = os.path.join(self.root, "usr", "share", "icons", "hicolor", "%dx%d" % (size, size), "apps", "vkr.png")
            out = subprocess.run(["identify", "-format", "%m %w %h", icon], capture_output=True, text=True,
                                 check=True).stdout
            self.assertEqual(out, "PNG %d %d" % (size, size))

    def test_the_installed_program_finds_its_skin_and_shows_the_login_page(self):
        self.assertFalse(os.path.exists(os.path.join(self.root, "usr", "games", "Skin")))
        self.assertTrue(os.path.isfile(os.path.join(self.root, "usr", "share", "vkr", "Skin", "loginBack.png")))
        process = self.start_launcher(program=self.program)
        window = self.wait_launcher_window(LOGIN_SIZE)
        left, top, _, _ = self.geometry(window)
        self.wait_login_page(left, top)
        self.screenshot("installed-login-page")
        self.wait(self.stat_reports, 30, what="the activity report")
        self.assertIsNone(process.poll())
        # The running program is the unpacked one.
        self.assertEqual(os.path.realpath("/proc/%d/exe" % process.pid), os.path.realpath(self.program))


if __name__ == "__main__":
    unittest.main()
