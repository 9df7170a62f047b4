"""The update worker of the real launcher against the stand-in: a newer version is announced,
downloaded, started and the launcher ends; an equal or older one does nothing; every way the
description file or the installer can fail leaves the login window running, with "网络出错!" only
for a failed installer, and no file changed."""

import os
import unittest

from harness import LauncherTestCase, standin, tree_state, wait_for
from test_normal_mode import LOGIN_SIZE, NormalModeTestCase

CAPTION = "VelqoMorvane"
NETWORK_ERROR = "网络出错!"
INSTALLER = "Viziv_Ezadariz.exe"

# Every faulty way of answering, for the description file and the installer.
FAULTS = ["404", "html", "500", "302", "garbage", "refused", "drop", "reset", "endless", "oversized"]


def notice(version):
    return "检测到最新版本%s，正在为您更新，请稍候！" % version


class UpdateTestCase(NormalModeTestCase):

    standin_version = "1.4.0.1"

    def setUp(self):
        # The plain prefix: these tests need neither the game window's font nor Wine-placed
        # (unmanaged) windows.
        LauncherTestCase.setUp(self)
        self.launcher = self.install_launcher()
        # Present, so that the worker goes straight to the version check.
        self.companion = self.place_recorder(os.path.join(self.data_dir, "vkrAnimate.exe"))

    def state(self):
        """The launcher's folder and DataDir, without the recording programs' own run records."""
        return {path: digest for path, digest in tree_state(self.install_dir, self.data_dir).items()
                if not path.endswith(".ran")}

    def start(self):
        self.standin.clear_records()
        process = self.start_launcher(self.launcher)
        login = self.wait_launcher_window(LOGIN_SIZE)
        return process, login

    def wait_box(self, text, timeout=30):
        """Waits for the box saying `text` (read through the system, which sees boxes at once)."""
        try:
            texts = wait_for(lambda: (lambda t: text in t and t)(self.box_texts(CAPTION)), timeout, interval=0.2,
                             what="a box saying " + text)
        except TimeoutError as error:
            self.screenshot("no-box")
            self.fail(str(error))
        self.assertEqual(texts, [text])
        return text

    def dismiss(self, text):
        self.dismiss_box(CAPTION, text)

    def delivered(self, path):
        return [r for r in self.standin_records("delivered") if r["path"] == path]

    def requested(self, path):
        return [r for r in self.standin_records("request") if r["path"] == path]

    def assert_no_box(self, seconds=2.0):
        """No box comes within `seconds` (a bounded wait for something that must not happen)."""
        try:
            wait_for(lambda: self.box_texts(CAPTION), seconds, interval=0.1, what="a box")
        except TimeoutError:
            return
        self.screenshot("unexpected-box")
        self.fail("unexpected box: %r" % self.box_texts(CAPTION))

    def close_login(self, process, login):
        """The login window still answers and shows no other window; its close button ends the
        program."""
        self.assertIsNone(process.poll(), "the launcher must keep running")
        self.assertTrue(self.answers(CAPTION), "the login window's thread must answer")
        self.assertEqual(self.box_texts(CAPTION), [])
        # Nothing but the launcher's windows (no crash dialog, for one).
        self.assertEqual(set(self.visible_titles()), {CAPTION})
        left, top, _, _ = self.geometry(login)
        self.click(left + 778, top + 127)
        self.assertEqual(self.wait_exit(process, timeout=20), 0)

    def ensure_ended(self, process):
        if process.poll() is None:
            process.kill()
            process.wait()

    def assert_updated(self, process):
        """After the notice's OK: the installer is saved beside the program, started, and the
        launcher ends."""
        saved = os.path.join(self.install_dir, INSTALLER)
        runs = wait_for(lambda: self.recorded_runs(saved), 30, what="the installer's run record")
        self.assertEqual(len(runs), 1, runs)
        self.assertEqual(runs[0].strip().strip('"').lower(), self.prefix.windows_path(saved).lower())
        with open(saved, "rb") as got, open(self.standin.installer, "rb") as served:
            self.assertEqual(got.read(), served.read())
        self.assertEqual(self.wait_exit(process, timeout=30), 0)
        self.assertFalse(os.path.exists(saved + ".part"))
        self.assertEqual([n for n in os.listdir(self.install_dir) if n.endswith(".ini")], [])


    def check_silent_run(self, cap_mode=None):
        """A start whose update check must end without a trace: once the description's answer is
        over, no box comes, no installer is asked for, the window closes the program and no file
        has changed. An answer that goes on past the description's cap (`cap_mode`, the stand-in's
        mode) is left there with its connection open until the process ends, so its end shows only
        then."""
        before = self.state()
        process, login = self.start()
        try:
            if cap_mode:
                wait_for(lambda: self.requested(standin.VERSION_PATH), 30, what="the description asked for")
                self.assert_no_box(5.0)
            else:
                wait_for(lambda: self.delivered(standin.VERSION_PATH), 40, what="the description's answer to end")
                self.assert_no_box()
            self.assertEqual(self.requested(standin.INSTALLER_PATH), [])
            self.close_login(process, login)
            self.assertEqual(self.state(), before)
            if cap_mode:
                # Whatever the launcher left unread, it did not read all of it.
                delivered = wait_for(lambda: [r for r in self.delivered(standin.VERSION_PATH) if r["mode"] == cap_mode],
                                     30, what="the answer's end")
                self.assertNotEqual(delivered[0]["outcome"], "complete")
        finally:
            self.ensure_ended(process)


class NewerVersionTest(UpdateTestCase):

    def test_notice_then_the_installer_is_started_and_the_launcher_ends(self):
        process, _ = self.start()
        box = self.wait_box(notice("1.4.0.1"))
        self.screenshot("update-notice")
        self.assertEqual(self.requested(standin.INSTALLER_PATH), [], "nothing is fetched before OK")
        self.dismiss(box)
        self.assert_updated(process)
        self.assertEqual(len(self.requested(standin.INSTALLER_PATH)), 1)

    def test_description_and_installer_arriving_byte_by_byte_still_update(self):
        self.standin.set_mode(standin.VERSION_PATH, "bytewise")
        self.standin.set_mode(standin.INSTALLER_PATH, "bytewise")
        process, _ = self.start()
        self.dismiss(self.wait_box(notice("1.4.0.1")))
        self.assert_updated(process)


class NoUpdateTest(UpdateTestCase):

    def test_equal_and_older_versions_show_nothing_and_fetch_nothing(self):
        for version in ("1.4.0.0", "1.3.9.9"):
            with self.subTest(version=version):
                self.standin.version = version
                self.check_silent_run()


class DescriptionFaultTest(UpdateTestCase):
    """The stand-in offers 1.4.0.1, so a description read where it should not be would announce an
    update."""

    def test_every_faulty_description_is_silent(self):
        for mode in FAULTS:
            with self.subTest(mode=mode):
                self.standin.set_mode(standin.VERSION_PATH, mode)
                self.check_silent_run(cap_mode=mode if mode in ("endless", "oversized") else None)

    def test_a_description_that_never_comes_keeps_the_window_answering_and_closing(self):
        self.standin.set_mode(standin.VERSION_PATH, "hang")
        before = self.state()
        process, login = self.start()
        wait_for(lambda: self.requested(standin.VERSION_PATH), 30, what="the description requested")
        self.assertEqual(self.box_texts(CAPTION), [])
        # The worker waits for the answer; the window still answers and closes the program.
        self.close_login(process, login)
        self.assertEqual(self.state(), before)


class EndlessDescriptionTest(UpdateTestCase):
    """A description that never ends: one byte a second (drip) is given up when its 30 s in all
    are over; a declared 1 GiB at full speed (huge) is cut at the description's cap. Either way
    nothing is announced and the window stays and closes the program."""

    def test_a_dripping_description_is_given_up_within_its_bound(self):
        self.standin.set_mode(standin.VERSION_PATH, "drip")
        before = self.state()
        process, login = self.start()
        try:
            requested = wait_for(lambda: self.requested(standin.VERSION_PATH), 30, what="the description asked for")
            self.assertEqual(len(requested), 1)
            # The launcher leaves the exchange at its bound (30 s); the stand-in notes it at its
            # next byte. A correctness bound with room for a busy machine.
            wait_for(lambda: self.delivered(standin.VERSION_PATH), 30 + 15, what="the description given up")
            self.assert_no_box()
            self.assertEqual(self.requested(standin.INSTALLER_PATH), [])
            self.close_login(process, login)
            self.assertEqual(self.state(), before)
        finally:
            self.ensure_ended(process)

    def test_a_huge_description_is_cut_and_silent(self):
        self.standin.set_mode(standin.VERSION_PATH, "huge")
        before = self.state()
        process, login = self.start()
        try:
            wait_for(lambda: self.requested(standin.VERSION_PATH), 30, what="the description asked for")
            self.assert_no_box(5.0)
            self.assertEqual(self.requested(standin.INSTALLER_PATH), [])
            self.close_login(process, login)
            self.assertEqual(self.state(), before)
            # Whatever the launcher left unread, it did not read the whole declared body.
            delivered = wait_for(lambda: self.delivered(standin.VERSION_PATH), 30, what="the answer's end")
            self.assertLess(delivered[0]["sent"], 1 << 30)
        finally:
            self.ensure_ended(process)


class InstallerFaultTest(UpdateTestCase):

    def check_failed_download(self, mode, timeout=30):
        self.standin.set_mode(standin.INSTALLER_PATH, mode)
        before = self.state()
        process, login = self.start()
        try:
            self.dismiss(self.wait_box(notice("1.4.0.1")))
            box = self.wait_box(NETWORK_ERROR, timeout=timeout)
            self.screenshot("network-error-" + mode)
            self.assertTrue(self.answers(CAPTION), "the box blocks only the worker")
            self.dismiss(box)
            self.assert_no_box(1.0)
            self.assertEqual(len(self.requested(standin.INSTALLER_PATH)), 1)
            self.close_login(process, login)
            # Nothing saved, nothing started, nothing left behind.
            self.assertEqual(self.state(), before)
        finally:
            self.ensure_ended(process)

    def test_every_faulty_installer_shows_the_network_error_and_the_window_stays(self):
        # The bound for the box: the worker's read time-out is 30 s, which only an installer that
        # never comes runs into.
        modes = [(mode, 30) for mode in FAULTS] + [("hang", 50)]
        for mode, timeout in modes:
            with self.subTest(mode=mode):
                self.check_failed_download(mode, timeout)

    def test_an_endless_installer_is_abandoned_with_the_network_error(self):
        # drip: fewer than 1 KiB in 30 s abandons it; huge: the installer's cap ends it. Bounds
        # with room for a busy machine.
        for mode, timeout in (("drip", 30 + 20), ("huge", 60)):
            with self.subTest(mode=mode):
                self.check_failed_download(mode, timeout)


if __name__ == "__main__":
    unittest.main()
