"""The setup-report mode of the real launcher: "/setupsucc" sends one report to the statistics
service through the prefix's proxy and ends without a window; "/setupsuccanddown" (any letter case)
also downloads the companion updater into the launcher's Upgrade folder and starts it."""

import os
import re
import unittest

from harness import LauncherTestCase, wait_for

REPORT_KEYS = ["item", "platform", "game_id", "ext_1", "ext_2", "ext_3", "ext_4", "ext_5", "ext_6", "user_ip"]


class SetupReportTestCase(LauncherTestCase):

    def setUp(self):
        super().setUp()
        self.launcher = self.install_launcher()
        # Present, so that a start of the companion (which this mode must not do) would show.
        self.companion = self.place_recorder(os.path.join(self.data_dir, "vkrAnimate.exe"))

    def run_setup_report(self, switch, timeout=40):
        """Runs the launcher with `switch` to its end; returns the stand-in's statistics records of
        this run."""
        self.standin.clear_records()
        process = self.start_launcher(self.launcher, switch)
        code, titles = self.watch(process, timeout)
        self.assertEqual(code, 0)
        self.assertEqual(titles, [], "the setup-report mode shows no window")
        self.assertEqual(self.recorded_runs(self.companion), [], "the companion must not be started")
        paths = [r["path"] for r in self.standin_records("request")]
        self.assertNotIn("/Velqo/vkr/official1/app.ini", paths, "no update check in this mode")
        return self.standin_records("stat")

    def check_report(self, record, refer, uid, ext_1="2"):
        keys = [part.partition("=")[0] for part in record["query"].split("&")]
        self.assertEqual(keys, REPORT_KEYS, record["query"])
        # The system's HTTP client sends a non-ASCII address in the ANSI code page (GBK here),
        # unescaped; the stand-in reads the request line byte for byte.
        params = {key: value.encode("latin-1").decode("gbk") for key, value in record["params"].items()}
        self.assertEqual([params[k] for k in REPORT_KEYS[:6]], ["4061rke2w7", "Velqo", "155", ext_1, refer, uid])
        self.assertRegex(params["ext_4"], r"^[0-9A-F]{32}$")
        self.assertRegex(params["ext_5"], r"^[0-9a-f]{32}$")
        self.assertEqual(params["ext_6"], "2", "a clean prefix holds no cafe product")
        self.assertRegex(params["user_ip"], r"^(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})?$")

    def check_install_values(self, report):
        """The GUID and InstallTime the run wrote; the GUID is the one the report carried."""
        ini = self.read_ini(os.path.join(self.data_dir, "lander.ini"))
        install = ini.get("Install", {})
        self.assertRegex(install.get("GUID", ""), r"^\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$")
        self.assertEqual(re.sub(r"[{}-]", "", install["GUID"]), report["params"]["ext_4"])
        self.assertRegex(install.get("InstallTime", ""), r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")
        self.assertNotIn("RunCount", ini.get("Common", {}), "the setup report does not count runs")
        return install


class SetupSuccTest(SetupReportTestCase):

    def test_one_report_with_the_configured_values_and_a_stable_machine_id(self):
        self.write_lander_ini({"Common": {"Refer": "union42", "UID": "u-7"}})
        first = self.run_setup_report("/setupsucc")
        self.assertEqual(len(first), 1, first)
        self.check_report(first[0], "union42", "u-7")
        install = self.check_install_values(first[0])
        self.assertFalse(os.path.exists(os.path.join(self.install_dir, "Upgrade")))

        # A second run in the same prefix: the stored GUID and install time are kept and sent
        # again, and the fingerprint of the same machine is the same.
        second = self.run_setup_report("/setupsucc")
        self.assertEqual(len(second), 1, second)
        self.check_report(second[0], "union42", "u-7")
        self.assertEqual(second[0]["params"]["ext_4"], first[0]["params"]["ext_4"])
        self.assertEqual(second[0]["params"]["ext_5"], first[0]["params"]["ext_5"])
        self.assertEqual(self.check_install_values(second[0]), install)

    def test_install_type_one_and_default_referral(self):
        # Without Refer the default "client" is sent; InstallType 1 gives the code 3.
        self.write_lander_ini({"Install": {"InstallType": "1"}})
        reports = self.run_setup_report("/SETUPSUCC")
        self.assertEqual(len(reports), 1, reports)
        self.check_report(reports[0], "client", "", ext_1="3")
        self.check_install_values(reports[0])

    def test_values_on_the_wire_keep_escapes_and_encode_plus(self):
        # "+" would read as a blank on most web back ends; a value that arrives encoded goes out
        # unchanged; a bare "%" and a blank are encoded.
        self.write_lander_ini({"Common": {"Refer": "a+b c", "UID": "%41%zz"}})
        reports = self.run_setup_report("/setupsucc")
        self.assertEqual(len(reports), 1, reports)
        query = reports[0]["query"]
        self.assertIn("&ext_2=a%2Bb%20c&ext_3=%41%25zz&", query)
        self.check_report(reports[0], "a+b c", "A%zz")


class SetupSuccAndDownTest(SetupReportTestCase):

    def test_report_then_the_companion_updater_is_downloaded_and_started(self):
        self.write_lander_ini({"Common": {"Refer": "推广7", "UID": "42"}})
        reports = self.run_setup_report("/SetupSuccAndDown")
        self.assertEqual(len(reports), 1, reports)
        self.check_report(reports[0], "推广7", "42")
        self.check_install_values(reports[0])
        updater = os.path.join(self.install_dir, "Upgrade", "IconAnimate_Update.exe")
        with open(updater, "rb") as saved, open(self.standin.updater, "rb") as served:
            self.assertEqual(saved.read(), served.read())
        # Started once, by its path; the launcher does not wait for it, so its record is polled.
        runs = wait_for(lambda: self.recorded_runs(updater), timeout=20, what="the updater's run record")
        self.assertEqual(len(runs), 1, runs)
        self.assertEqual(runs[0].strip().strip('"').lower(),
                         self.prefix.windows_path(updater).lower())
        requests = [r["path"] for r in self.standin_records("request")]
        self.assertEqual(requests.count("/Velqo/vkr/animateicon/VelqoAnimateIcon.exe"), 1)
        # The report went out before the download.
        self.assertLess(requests.index("/controller/istat.controller.php"),
                        requests.index("/Velqo/vkr/animateicon/VelqoAnimateIcon.exe"))


if __name__ == "__main__":
    unittest.main()
