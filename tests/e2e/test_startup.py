"""Start-up of the real launcher: the resource check with the skin missing, and the data folder
that every run mode creates."""

import os
import unittest

from harness import DATA_DIR_WINDOWS, LauncherTestCase, wait_for

MISSING_SKIN_CAPTION = "错误"
MISSING_SKIN_TEXT = "您的资源缺失，请下载新的程序或联系Velqo客服，谢谢！"


class MissingSkinTest(LauncherTestCase):

    def show_missing_skin_box(self):
        launcher = self.install_launcher(with_skin=False)
        process = self.start_launcher(launcher)
        box = self.wait_window("^%s$" % MISSING_SKIN_CAPTION, timeout=30)
        self.assertEqual(self.window_name(box), MISSING_SKIN_CAPTION)
        self.assertIn(("Static", MISSING_SKIN_TEXT), self.window_texts(MISSING_SKIN_CAPTION))
        self.assertIsNone(process.poll(), "the launcher must wait for the box to be dismissed")
        return process, box

    def dismiss_with_ok(self, process, box):
        self.press(box, "Return")
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        self.assertEqual(self.visible_windows("^%s$" % MISSING_SKIN_CAPTION), [])

    def test_companion_is_started_then_the_error_box_shows_and_ok_ends_the_process(self):
        companion = self.place_recorder(os.path.join(self.data_dir, "vkrAnimate.exe"))
        process, box = self.show_missing_skin_box()
        runs = wait_for(lambda: self.recorded_runs(companion), timeout=20, what="the companion's run record")
        self.screenshot("missing-skin-box")
        # Started once, by its own path and with no parameters.
        self.assertEqual(len(runs), 1, runs)
        self.assertEqual(runs[0].strip().strip('"').lower(), DATA_DIR_WINDOWS.lower() + "\\vkranimate.exe")
        self.dismiss_with_ok(process, box)
        self.assertEqual(len(self.recorded_runs(companion)), 1)

    def test_without_companion_the_error_box_still_shows(self):
        process, box = self.show_missing_skin_box()
        self.dismiss_with_ok(process, box)
        self.assertTrue(os.path.isdir(self.data_dir))
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "vkrAnimate.exe")))
        # Reading the configuration never creates the file.
        self.assertFalse(os.path.exists(os.path.join(self.data_dir, "lander.ini")))


class DataDirTest(LauncherTestCase):
    """DataDir comes into being while the configuration is read, before the run mode is chosen."""

    def run_mode_to_its_end(self, switch, timeout=30):
        """Runs the launcher with `switch` until it ends; a box that appears meanwhile is answered
        with Cancel. Returns (exit code, titles of the boxes seen)."""
        self.assertFalse(os.path.exists(self.data_dir), "the template prefix must not hold DataDir")
        # Without the skin, a switch that fell through to the normal start would show the error box.
        launcher = self.install_launcher(with_skin=False)
        process = self.start_launcher(launcher, switch)
        boxes = []
        answered = set()

        def ended_or_box():
            if process.poll() is not None:
                return True
            for window in self.visible_windows(pid=process.pid):
                if window in answered:
                    continue
                answered.add(window)
                boxes.append(self.window_name(window))
                self.screenshot("box")
                # Escape is Cancel on an OK/Cancel box.
                self.press(window, "Escape")
            return False

        wait_for(ended_or_box, timeout, interval=0.1, what="the launcher to end with " + switch)
        return process.returncode, boxes

    def test_uninstall_switch_creates_data_dir(self):
        code, boxes = self.run_mode_to_its_end("/uninst")
        self.assertEqual(code, 0)
        self.assertNotIn(MISSING_SKIN_CAPTION, boxes)
        self.assertTrue(os.path.isdir(self.data_dir))
        # Cancelled (or no question at all): the launcher's own folder is still there.
        self.assertTrue(os.path.isfile(os.path.join(self.install_dir, "vkr.exe")), boxes)

    def test_setup_report_switch_creates_data_dir_without_a_window(self):
        code, boxes = self.run_mode_to_its_end("/setupsucc")
        self.assertEqual(code, 0)
        self.assertEqual(boxes, [])
        self.assertTrue(os.path.isdir(self.data_dir))
        # The report went through the prefix's proxy to the stand-in, synchronously, before the end.
        reports = self.standin_records("stat")
        self.assertEqual([(r["params"].get("item"), r["params"].get("ext_1")) for r in reports], [("4061rke2w7", "2")])


if __name__ == "__main__":
    unittest.main()
