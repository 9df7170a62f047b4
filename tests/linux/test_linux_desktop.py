"""The Linux edition as a desktop citizen: "开机启动" writes and removes the XDG autostart entry,
a start by that entry reports itself as automatic, the reports carry this machine's probe values,
the setup-report mode runs without a display, and "/uninst" removes what the launcher wrote for
the user and nothing else, after the same questions, or nothing at all when they are cancelled."""

import hashlib
import os
import subprocess
import unittest

import probe
from harness import LAUNCHER, LOGIN_SIZE
from harness_common import standin
from test_linux_normal_mode import NormalModeTestCase


class DesktopTestCase(NormalModeTestCase):

    @property
    def autostart_entry(self):
        return os.path.join(self.home, ".config", "autostart", "vkr.desktop")

    def snapshot(self):
        """Every folder and file below HOME, files with their bytes' digest."""
        state = {}
        for folder, folders, files in os.walk(self.home):
            for name in folders:
                state[os.path.relpath(os.path.join(folder, name), self.home) + "/"] = None
            for name in files:
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    state[os.path.relpath(path, self.home)] = hashlib.sha256(f.read()).hexdigest()
        return state

    def put(self, relative, data):
        path = os.path.join(self.home, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def answer_box(self, ok):
        """Waits for the uninstall question and answers it: OK (not the default) or Cancel."""
        box = self.wait(lambda: self.visible_windows("^卸载提示$"), 20, what="the uninstall question")[0]
        self.screenshot("question")
        self.xdotool("windowfocus", "--sync", box)
        self.key("shift+Tab", "space") if ok else self.key("Return")
        self.wait(lambda: box not in self.visible_windows(), 10, what="the question answered")

    def report(self):
        return self.wait(self.stat_reports, 30, what="the report")[0]["params"]


class AutostartTest(DesktopTestCase):

    def test_start_with_the_system_writes_and_removes_the_autostart_entry(self):
        process, game, width, height = self.start_into_the_game()
        self.open_menu(lambda: self.click(width - 208 + 20, 14))
        self.menu_choose(3)
        self.wait(lambda: os.path.isfile(self.autostart_entry), 10, what="the autostart entry")
        with open(self.autostart_entry, encoding="utf-8") as entry:
            text = entry.read()
        self.assertIn("\nExec=%s /autorun\n" % LAUNCHER, text)
        self.assertIn("\nType=Application\n", text)
        validated = subprocess.run(["desktop-file-validate", self.autostart_entry], capture_output=True, text=True)
        self.assertEqual(validated.returncode, 0, validated.stdout + validated.stderr)
        self.assertEqual(self.read_ini()["Operate"]["ManualAutoRun"], "1")

        # A second click elsewhere on the button: at the same spot it would be a double-click.
        self.open_menu(lambda: self.click(width - 208 + 40, 14))
        self.menu_choose(3)
        self.wait(lambda: not os.path.exists(self.autostart_entry), 10, what="the autostart entry removed")
        self.assertEqual(self.read_ini()["Operate"]["ManualAutoRun"], "1")
        self.assertEqual(os.listdir(os.path.dirname(self.autostart_entry)), [])
        self.assertIsNone(process.poll())

    def test_a_start_by_the_entry_reports_an_automatic_start(self):
        process = self.start_launcher("/autorun")
        self.wait_launcher_window(LOGIN_SIZE)
        self.assertEqual(self.report()["ext_1"], "4")
        self.assertIsNone(process.poll())


class ReportTest(DesktopTestCase):

    def test_the_activity_report_carries_this_machines_probe_values(self):
        process = self.start_launcher()
        self.wait_launcher_window(LOGIN_SIZE)
        params = self.report()
        self.assertEqual(params["ext_5"], probe.fingerprint())
        self.assertEqual(params["user_ip"], probe.own_ipv4())
        self.assertEqual((params["ext_1"], params["ext_6"]), ("5", "2"))  # not automatic; no café product
        self.assertRegex(params["ext_4"], r"^[0-9A-F]{32}$")
        self.assertEqual(params["ext_2"], "client")
        self.assertIsNone(process.poll())

    def test_the_process_ends_at_once_while_the_activity_report_hangs(self):
        # The statistics service takes the report and never answers; closing the login window
        # still ends the process at once (reports are fire-and-forget): it neither waits for the
        # worker's answer (15 s at most) nor for a shutdown grace for the worker (there is none; a
        # 2 s one would miss this bound). The process itself takes a few tens of milliseconds.
        self.standin.set_mode(standin.STAT_PATH, "hang")
        process = self.start_launcher()
        login = self.wait_launcher_window(LOGIN_SIZE)
        self.wait(self.stat_reports, 30, what="the report's request")
        # The worker is still waiting for its answer when the window closes.
        self.assertEqual([r for r in self.standin.get_records("delivered") if r["path"] == standin.STAT_PATH], [])
        left, top, _, _ = self.geometry(login)
        self.click(left + 778, top + 127)
        self.assertEqual(self.wait_exit(process, timeout=1.8), 0)

    def test_the_setup_report_mode_runs_without_a_display_and_ends(self):
        env = self.env()
        del env["DISPLAY"]
        process = self.start_launcher("/SetupSucc", env=env)
        self.assertEqual(self.wait_exit(process), 0)
        reports = self.stat_reports()
        self.assertEqual(len(reports), 1)
        params = reports[0]["params"]
        self.assertEqual((params["ext_1"], params["ext_6"]), ("2", "2"))
        self.assertEqual(params["ext_5"], probe.fingerprint())
        self.assertEqual(params["user_ip"], probe.own_ipv4())
        # The run counter is not touched; the install identity is kept for the next report.
        ini = self.read_ini()
        self.assertNotIn("RunCount", ini.get("Common", {}))
        self.assertEqual(ini["Install"]["GUID"].strip("{}").replace("-", ""), params["ext_4"])


class UninstallTest(DesktopTestCase):

    # What the launcher wrote for the user, and what is not the launcher's.
    OURS = {
        ".config/autostart/vkr.desktop": b"[Desktop Entry]\nType=Application\nName=VelqoMorvane\nExec=vkr /autorun\n",
        ".local/share/velqo/vkr/lander.ini": b"[Common]\r\nRunCount=4\r\n",
        ".local/share/velqo/vkr/web/localstorage/http_s12.morvane.velqo.com_0.localstorage": b"SQLite format 3\0",
        ".local/share/velqo/vkr/web/.hidden-state": b"state",
        ".cache/velqo/vkr/WebKitCache/Version 16/Records/0A1B/Resource/9F": b"cached page",
    }
    THEIRS = {
        ".config/autostart/other.desktop": b"[Desktop Entry]\nType=Application\nName=Other\nExec=other\n",
        ".local/share/velqo/other/lander.ini": b"[Common]\r\n",
        ".cache/other/cache.bin": b"\x00\x01",
        "Desktop/notes.txt": "我的笔记".encode("utf-8"),
    }

    def assert_left(self, before, gone):
        """Everything but `gone` is still there with the same bytes, and nothing new is in the
        launcher's places (the toolkit may keep caches of its own, such as fontconfig's)."""
        after = self.snapshot()
        self.assertEqual({key: value for key, value in after.items() if key in before},
                         {key: value for key, value in before.items() if key not in gone})
        places = (".local/share/velqo/", ".cache/velqo/", ".config/autostart/")
        self.assertEqual([key for key in after if key not in before and key.startswith(places)], [])

    def install(self):
        for files in (self.OURS, self.THEIRS):
            for relative, data in files.items():
                self.put(relative, data)

    def test_ok_removes_what_the_launcher_wrote_and_leaves_the_rest_byte_for_byte(self):
        self.install()
        before = self.snapshot()
        process = self.start_launcher("/uninst")
        self.answer_box(ok=True)
        self.assertEqual(self.wait_exit(process), 0)
        gone = set(self.OURS) | {".local/share/velqo/vkr/", ".local/share/velqo/vkr/web/",
                                 ".local/share/velqo/vkr/web/localstorage/", ".cache/velqo/", ".cache/velqo/vkr/"}
        gone |= {key for key in before if key.startswith(".cache/velqo/")}
        self.assert_left(before, gone)
        # The vendor folder keeps the other game; the autostart folder the other entry.
        self.assertTrue(os.path.isdir(os.path.join(self.home, ".local/share/velqo")))
        self.assertEqual(self.stat_reports(), [])

    def test_cancel_changes_nothing(self):
        self.install()
        before = self.snapshot()
        process = self.start_launcher("/uninst")
        self.answer_box(ok=False)
        self.assertEqual(self.wait_exit(process), 0)
        self.assert_left(before, set())

    def test_a_running_copy_is_asked_about_then_ended_before_its_data_goes(self):
        self.install()
        running = self.start_launcher()
        self.wait_launcher_window(LOGIN_SIZE)
        self.wait(lambda: self.requests("login.velqo.com", "/client/index.php"), 30, what="the running copy's page")
        process = self.start_launcher("/uninst")
        self.answer_box(ok=True)
        # The second question: another copy uses this user's data.
        box = self.wait(lambda: self.visible_windows("^卸载提示$"), 20, what="the second question")[0]
        self.screenshot("second-question")
        self.xdotool("windowfocus", "--sync", box)
        self.key("shift+Tab", "space")
        self.assertEqual(self.wait_exit(process), 0)
        self.wait(lambda: running.poll() is not None, 20, what="the running copy ended")
        self.assertEqual(running.returncode, -9)  # ended by the uninstall, as Windows ends it
        for relative in self.OURS:
            self.assertFalse(os.path.exists(os.path.join(self.home, relative)), relative)
        for relative, data in self.THEIRS.items():
            with open(os.path.join(self.home, relative), "rb") as f:
                self.assertEqual(f.read(), data, relative)


if __name__ == "__main__":
    unittest.main()
