"""The real launcher where the network and the disk misbehave: the statistics service answering in
every faulty way (or not reachable at all) during the setup report, and a corrupt, binary, huge or
read-only lander.ini, an unwritable DataDir and a read-only launcher folder. Each run ends when it
should, shows no window it should not, and leaves alone every file it does not mean to change."""

import os
import random
import re
import subprocess
import unittest

from harness import LOGIN_SIZE, LauncherTestCase, standin, tree_state, wait_for

CAPTION = "VelqoMorvane"
# The report's read time-out is 10 s; a run must end well within this.
REPORT_BOUND = 40

STAT_FAULTS = ["refused", "drop", "hang", "bytewise", "endless", "oversized", "reset", "500", "302", "html",
               "garbage", "404"]


class FaultTestCase(LauncherTestCase):

    def setUp(self):
        super().setUp()
        self.launcher = self.install_launcher()
        # Present, so that the update worker does not fetch the companion updater.
        self.place_recorder(os.path.join(self.data_dir, "vkrAnimate.exe"))

    def lock(self, path):
        """Makes path (a file, or a folder with everything in it) unchangeable, even for the root
        user the tests may run as (for whom permission bits change nothing)."""
        result = subprocess.run(["chattr", "-R", "+i", path], capture_output=True, text=True)
        if result.returncode != 0:
            self.skipTest("cannot make files immutable here: " + result.stderr.strip())
        self.addCleanup(subprocess.run, ["chattr", "-R", "-i", path], capture_output=True)

    def run_to_end(self, *arguments, timeout=REPORT_BOUND):
        process = self.start_launcher(self.launcher, *arguments)
        code, titles = self.watch(process, timeout)
        self.assertEqual(code, 0)
        self.assertEqual(titles, [], "no window, no crash dialog")
        return code

    def run_login_window(self):
        """A normal start: the login window shows and answers, and its close button ends it."""
        process = self.start_launcher(self.launcher)
        try:
            window = self.wait_launcher_window(LOGIN_SIZE)
            wait_for(lambda: [r for r in self.standin_records("delivered") if r["path"] == standin.VERSION_PATH],
                     30, what="the update check")
            self.assertTrue(self.answers(CAPTION))
            self.assertEqual(self.box_texts(CAPTION), [])
            self.assertEqual(set(self.visible_titles()), {CAPTION})
            left, top, _, _ = self.geometry(window)
            self.click(left + 778, top + 127)
            self.assertEqual(self.wait_exit(process, timeout=20), 0)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()

    def stat_records(self):
        return self.standin_records("stat")


class StatisticsFaultTest(FaultTestCase):

    def test_the_setup_report_ends_under_every_faulty_answer(self):
        # One prefix for all modes: the first run stores the GUID and install time, later runs
        # must leave the file as it is.
        self.run_to_end("/setupsucc")
        config = os.path.join(self.data_dir, "lander.ini")
        after_first = tree_state(self.install_dir, self.data_dir)
        for mode in STAT_FAULTS:
            with self.subTest(mode=mode):
                self.standin.set_mode(standin.STAT_PATH, mode)
                self.standin.clear_records()
                self.run_to_end("/setupsucc")
                self.assertEqual(len(self.stat_records()), 1, "one request, no retry")
                self.assertEqual(tree_state(self.install_dir, self.data_dir), after_first)
        self.assertTrue(os.path.isfile(config))


class EndlessAnswerTest(FaultTestCase):
    """Answers that never end: a declared 1 GiB body one byte a second (drip) or at full speed
    (huge), on a connection the launcher may keep. The report ends within its 15 s in all, the
    companion updater's download is abandoned within 30 s of stalling (or at its cap), and no
    "Upgrade" folder is left behind."""

    # Correctness bounds with room for a busy machine, not speed goals.
    REPORT_END = 15 + 15
    UPDATER_END = 15 + 30 + 15

    def test_the_reports_and_the_updater_download_end_under_drip_and_huge(self):
        upgrade = os.path.join(self.install_dir, "Upgrade")
        cases = [("/setupsucc", standin.STAT_PATH, self.REPORT_END),
                 ("/SetupSuccAndDown", standin.UPDATER_PATH, self.UPDATER_END)]
        for switch, path, bound in cases:
            for mode in ("drip", "huge"):
                with self.subTest(switch=switch, mode=mode):
                    self.standin.set_mode(path, mode)
                    self.standin.clear_records()
                    self.run_to_end(switch, timeout=bound)
                    self.assertEqual(len(self.stat_records()), 1, "the report was sent once")
                    self.assertEqual(len([r for r in self.standin_records("request") if r["path"] == path]), 1)
                    self.assertFalse(os.path.exists(upgrade), "no Upgrade folder without a good download")
                    self.standin.set_mode(path, "normal")


class UnreachableServiceTest(FaultTestCase):
    proxy_refused = True

    def test_both_setup_switches_end_without_a_trace_when_nothing_answers(self):
        before = tree_state(self.install_dir)
        self.run_to_end("/setupsucc")
        self.run_to_end("/SetupSuccAndDown")
        # The companion updater's download failed: nothing is left in its folder.
        upgrade = os.path.join(self.install_dir, "Upgrade")
        self.assertEqual(os.listdir(upgrade) if os.path.isdir(upgrade) else [], [])
        self.assertEqual({p: h for p, h in tree_state(self.install_dir).items() if p != upgrade}, before)


class ConfigFileFaultTest(FaultTestCase):

    def put_config(self, data):
        path = os.path.join(self.data_dir, "lander.ini")
        os.makedirs(self.data_dir, exist_ok=True)
        with open(path, "wb") as file:
            file.write(data)
        return path

    def check_runs(self, config, writable):
        """The login window works with this file, which it only reads; the setup report ends and is
        sent. An unwritable file stays byte for byte."""
        before = tree_state(config, self.install_dir)
        self.run_login_window()
        self.assertEqual(tree_state(config, self.install_dir), before)
        self.standin.clear_records()
        before = {p: h for p, h in tree_state(config, self.install_dir).items() if not p.endswith(".ran")}
        self.run_to_end("/setupsucc")
        reports = self.stat_records()
        self.assertEqual(len(reports), 1)
        self.assertRegex(reports[0]["params"]["ext_4"], r"^([0-9A-F]{32}|guid error)$")
        after = {p: h for p, h in tree_state(config, self.install_dir).items() if not p.endswith(".ran")}
        if not writable:
            self.assertEqual(after, before)
        else:
            self.assertEqual({p: h for p, h in after.items() if p != config},
                             {p: h for p, h in before.items() if p != config})

    def test_corrupt_binary_and_huge_files(self):
        noise = random.Random(7)
        cases = {
            "corrupt": b"[Common\r\nRefer\r\n=x\r\n[[Install]]\r\nGUID==={\r\n\x00\r\n" + b"=" * 5000 + b"\r\n[",
            "binary": noise.randbytes(64 * 1024),
            "huge": (b"[Common]\r\nRefer=big\r\n" + b"; padding line of a huge file\r\n" * (20 * 1024 * 1024 // 31)),
        }
        for name, data in cases.items():
            with self.subTest(case=name):
                self.check_runs(self.put_config(data), writable=True)

    def test_read_only_file(self):
        config = self.put_config(b"[Common]\r\nRefer=ro\r\n")
        self.lock(config)
        self.check_runs(config, writable=False)

    def test_unwritable_data_dir(self):
        config = self.put_config(b"[Common]\r\nRefer=locked\r\n")
        self.lock(self.data_dir)
        before = tree_state(self.data_dir)
        self.check_runs(config, writable=False)
        self.assertEqual(tree_state(self.data_dir), before)


class ReadOnlyLauncherFolderTest(FaultTestCase):

    standin_version = "1.4.0.1"

    def test_update_from_a_read_only_folder_saves_the_installer_elsewhere(self):
        self.lock(self.install_dir)
        before = tree_state(self.install_dir)
        process = self.start_launcher(self.launcher)
        text = "检测到最新版本1.4.0.1，正在为您更新，请稍候！"
        wait_for(lambda: text in self.box_texts(CAPTION), 30, interval=0.2, what="the update notice")

        self.dismiss_box(CAPTION, text)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        # Nothing beside the program; the installer ran from the user's temporary folder.
        self.assertEqual(tree_state(self.install_dir), before)
        users = os.path.join(self.prefix.drive_c, "users")
        user = [name for name in os.listdir(users) if name != "Public"][0]
        temp = os.path.join(users, user, "Temp")

        def saved_installers():
            return [os.path.join(temp, name, "Viziv_Ezadariz.exe") for name in os.listdir(temp)
                    if re.fullmatch(r"vkr-[0-9a-f]{32}", name)
                    and os.path.isfile(os.path.join(temp, name, "Viziv_Ezadariz.exe"))]

        # In a private new folder of its own, never in the shared temporary folder itself.
        saved = wait_for(saved_installers, 20, what="the installer in a private folder")
        self.assertEqual(len(saved), 1)
        self.assertFalse(os.path.exists(os.path.join(temp, "Viziv_Ezadariz.exe")))
        runs = wait_for(lambda: self.recorded_runs(saved[0]), 20, what="the installer's run")
        self.assertEqual(len(runs), 1)


if __name__ == "__main__":
    unittest.main()
