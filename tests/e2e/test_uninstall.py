"""The uninstall mode of the real launcher: "/uninst" asks, removes the shortcuts, the program
group's folder, the Run value, the uninstall key and lander.ini, and its batch removes the
launcher's folder after the process has ended, also when the launcher ran in it. Cancel changes
nothing; a launcher copied among the user's files, or in a folder that holds another program,
removes only its own."""

import os
import shutil
import unittest

from harness import INSTALL_DIR_WINDOWS, LauncherTestCase, tree_state, wait_for

CAPTION = "卸载提示"
FIRST_QUESTION = "您确定要卸载VelqoMorvane吗？"
SECOND_QUESTION = "检测到您正在运行 VelqoMorvane，您确定要强制退出并且卸载吗？"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VelqoMorvane"
GROUP = "Velqo游戏中心"


class UninstallTestCase(LauncherTestCase):

    def setUp(self):
        super().setUp()
        users = os.path.join(self.prefix.drive_c, "users")
        user = [name for name in os.listdir(users) if name != "Public"][0]
        self.profile = os.path.join(users, user)
        self.desktop = os.path.join(self.profile, "Desktop")
        self.start_menu = os.path.join(self.profile, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu")
        self.programs = os.path.join(self.start_menu, "Programs")
        self.common_programs = os.path.join(self.prefix.drive_c, "ProgramData", "Microsoft", "Windows",
                                            "Start Menu", "Programs")
        self.temp = os.path.join(self.profile, "Temp")

    def install(self):
        """What the installer leaves: the launcher in its folder, shortcuts on the desktop, in the
        start menu and in the program group, the Run value, the uninstall key, lander.ini and the
        companion in DataDir; and files of others beside them."""
        self.launcher = self.install_launcher()
        self.shortcut = self.make_shortcut(os.path.join(self.desktop, "VelqoMorvane.lnk"), self.launcher)
        self.menu_shortcut = self.make_shortcut(os.path.join(self.start_menu, "VelqoMorvane.lnk"), self.launcher)
        self.group_shortcut = self.make_shortcut(os.path.join(self.programs, GROUP, "VelqoMorvane", "开始游戏.lnk"),
                                                 self.launcher)
        # Another game's shortcut and folder, which must stay.
        other_game = os.path.join(self.prefix.drive_c, "Games", "other", "other.exe")
        self.place_recorder(other_game)
        self.other_shortcut = self.make_shortcut(os.path.join(self.desktop, "Other.lnk"), other_game)
        self.other_group = self.make_shortcut(os.path.join(self.programs, GROUP, "OtherGame", "Other.lnk"), other_game)
        self.reg_add(RUN_KEY, "VelqoMorvane", '"%s\\vkr.exe" /autorun' % INSTALL_DIR_WINDOWS)
        self.reg_add(RUN_KEY, "OtherGame", "C:\\Games\\other\\other.exe")
        self.reg_add(UNINSTALL_KEY, "DisplayName", "VelqoMorvane")
        self.config = self.write_lander_ini({"Common": {"Refer": "client"}, "Install": {"GUID": "{AB}"}})
        self.companion = self.place_recorder(os.path.join(self.data_dir, "vkrAnimate.exe"))

    def reg_add(self, key, name, value):
        result = self.prefix.run(["reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f"])
        self.assertEqual(result.returncode, 0, result.stdout)

    def watched_state(self):
        return tree_state(self.prefix.unix_path(INSTALL_DIR_WINDOWS), self.data_dir, self.desktop, self.start_menu,
                          self.common_programs, os.path.join(self.prefix.drive_c, "Games"))

    def registry_state(self):
        return (self.reg_query(RUN_KEY, "VelqoMorvane"), self.reg_query(RUN_KEY, "OtherGame"),
                self.reg_query(UNINSTALL_KEY, "DisplayName"))

    def wait_question(self, process, text):
        box = self.wait_window("^%s$" % CAPTION, timeout=30)
        texts = wait_for(lambda: self.box_texts(CAPTION), timeout=10, what="the question's text")
        self.assertEqual(texts, [text])
        self.assertIsNone(process.poll())
        return box

    def press_ok(self, box):
        # Cancel is the default button: Shift+Tab moves to OK, Space presses it.
        self.press(box, "shift+Tab", "space")

    def press_default(self, box):
        self.press(box, "Return")

    def wait_gone(self, box):
        wait_for(lambda: box not in self.visible_windows("^%s$" % CAPTION), timeout=10, what="the box to close")

    def start_other_copy(self):
        """A second copy of the launcher in its normal mode, its login window shown."""
        other = self.start_launcher(self.launcher)
        self.wait_window("^VelqoMorvane$", timeout=30, pid=None)
        return other

    def batch_path(self):
        return os.path.join(self.temp, "~wzuninstmyself.bat")

    def uninstall_confirmed(self, cwd=None):
        """Runs "/uninst" of the installed launcher, confirms, and waits for its batch to end."""
        process = self.start_launcher(self.launcher, "/uninst", cwd=cwd)
        box = self.wait_question(process, FIRST_QUESTION)
        self.press_ok(box)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        wait_for(lambda: not os.path.exists(self.launcher), timeout=30, what="the launcher to go")
        wait_for(lambda: not os.path.exists(self.batch_path()), timeout=30, what="the batch to delete itself")

    def assert_only_own_files_went(self, kept):
        """The launcher and its skin are gone; its folder and the files in `kept` (relative to it)
        stay."""
        self.assertFalse(os.path.exists(os.path.join(self.install_dir, "Skin")))
        for path in kept:
            self.assertTrue(os.path.isfile(os.path.join(self.install_dir, path)), path)


class UninstallConfirmedTest(UninstallTestCase):

    def test_ok_ends_the_other_copy_and_removes_the_launcher_but_keeps_others_files(self):
        self.install()
        other = self.start_other_copy()
        process = self.start_launcher(self.launcher, "/uninst")
        box = self.wait_question(process, FIRST_QUESTION)
        self.screenshot("first-question")
        self.press_ok(box)
        self.wait_gone(box)
        box = self.wait_question(process, SECOND_QUESTION)
        self.screenshot("second-question")
        self.press_ok(box)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        self.wait_exit(other, timeout=20)

        # The launcher's shortcuts, its group folder, its registry entries and lander.ini are gone.
        for path in (self.shortcut, self.menu_shortcut, os.path.join(self.programs, GROUP, "VelqoMorvane"),
                     self.config):
            self.assertFalse(os.path.exists(path), path)
        self.assertIsNone(self.reg_query(RUN_KEY, "VelqoMorvane"))
        self.assertIsNone(self.reg_query(UNINSTALL_KEY, "DisplayName"))
        # Another game's shortcut, group folder and Run value, DataDir and the companion stay.
        for path in (self.other_shortcut, self.other_group, self.companion):
            self.assertTrue(os.path.isfile(path), path)
        self.assertIsNotNone(self.reg_query(RUN_KEY, "OtherGame"))
        # The batch removes the launcher's folder once the process has ended, then itself.
        wait_for(lambda: not os.path.exists(self.install_dir), timeout=30, what="the launcher's folder to go")
        wait_for(lambda: not os.path.exists(self.batch_path()), timeout=30, what="the batch to delete itself")
        self.assertTrue(os.path.isdir(os.path.join(os.path.dirname(self.install_dir))))
        self.assertEqual(self.visible_titles(), [])

    def test_a_launcher_started_in_its_own_folder_removes_the_folder(self):
        # Explorer and shortcuts start a program with its own folder as its current folder; the
        # batch must not inherit it, or the folder could not be removed.
        self.install()
        self.uninstall_confirmed(cwd=self.install_dir)
        wait_for(lambda: not os.path.exists(self.install_dir), timeout=30, what="the launcher's folder to go")
        self.assertTrue(os.path.isdir(os.path.dirname(self.install_dir)))

    def test_a_folder_holding_another_program_keeps_it(self):
        self.install()
        self.place_recorder(os.path.join(self.install_dir, "Tools", "helper.exe"))
        self.uninstall_confirmed(cwd=self.install_dir)
        self.assert_only_own_files_went(["Tools/helper.exe"])

    def test_a_folder_another_program_is_registered_in_keeps_it(self):
        self.install()
        other = os.path.join(self.install_dir, "Other")
        os.makedirs(other)
        with open(os.path.join(other, "saves.dat"), "wb") as saves:
            saves.write(b"another program's data")
        self.reg_add(r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OtherGame", "InstallLocation",
                     INSTALL_DIR_WINDOWS + "\\Other")
        self.uninstall_confirmed()
        self.assert_only_own_files_went(["Other/saves.dat"])

    def test_a_copy_on_the_desktop_removes_only_its_own_files(self):
        self.launcher = self.install_launcher()
        copy = os.path.join(self.desktop, "vkr.exe")
        shutil.copy2(self.launcher, copy)
        shutil.copytree(os.path.join(self.install_dir, "Skin"), os.path.join(self.desktop, "Skin"))
        with open(os.path.join(self.desktop, "notes.txt"), "w") as notes:
            notes.write("the user's own file\n")
        os.makedirs(os.path.join(self.desktop, "photos"))
        with open(os.path.join(self.desktop, "photos", "a.jpg"), "wb") as photo:
            photo.write(b"\xff\xd8\xff")
        before = tree_state(self.desktop)

        process = self.start_launcher(copy, "/uninst")
        box = self.wait_question(process, FIRST_QUESTION)
        self.press_ok(box)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        wait_for(lambda: not os.path.exists(copy), timeout=30, what="the copied launcher to go")
        wait_for(lambda: not os.path.exists(self.batch_path()), timeout=30, what="the batch to delete itself")
        after = tree_state(self.desktop)
        # Only the launcher and its skin are gone; every other file is there byte for byte.
        gone = sorted(os.path.relpath(path, self.desktop) for path in set(before) - set(after))
        self.assertEqual(gone, ["Skin", "Skin/loginBack.png", "vkr.exe"])
        self.assertEqual({p: h for p, h in before.items() if p in after}, after)
        # The launcher in its own folder was not touched.
        self.assertTrue(os.path.isfile(self.launcher))


class UninstallCancelledTest(UninstallTestCase):

    def test_cancel_at_the_first_question_changes_nothing(self):
        self.install()
        files, registry = self.watched_state(), self.registry_state()
        process = self.start_launcher(self.launcher, "/uninst")
        box = self.wait_question(process, FIRST_QUESTION)
        self.press_default(box)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        self.assertEqual(self.watched_state(), files)
        self.assertEqual(self.registry_state(), registry)
        self.assertFalse(os.path.exists(self.batch_path()))

    def test_cancel_at_the_second_question_changes_nothing_and_the_other_copy_runs_on(self):
        self.install()
        other = self.start_other_copy()
        files, registry = self.watched_state(), self.registry_state()
        process = self.start_launcher(self.launcher, "/uninst")
        box = self.wait_question(process, FIRST_QUESTION)
        self.press_ok(box)
        self.wait_gone(box)
        box = self.wait_question(process, SECOND_QUESTION)
        self.press_default(box)
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        self.assertIsNone(other.poll(), "the other copy must still run")
        self.assertTrue(self.answers("VelqoMorvane"))
        self.assertEqual(self.watched_state(), files)
        self.assertEqual(self.registry_state(), registry)


if __name__ == "__main__":
    unittest.main()
