"""The harnesses' own readers and writers of profile files, recorders and registry text, and the
mapping of prefix paths. Runs without Wine."""

import os
import subprocess
import tempfile
import unittest

import harness  # noqa: F401  (puts tests/ and the tools on the path)
import harness_common
import winenv


class ProfileFileTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.path = os.path.join(self.folder.name, "DataDir", "lander.ini")

    def test_written_files_read_back_in_every_encoding(self):
        sections = {"Common": {"Refer": "推广", "UID": ""}, "Install": {"GUID": "{AB}"}}
        for encoding in ("utf-16", "gbk", "utf-8"):
            with self.subTest(encoding=encoding):
                harness_common.write_ini(self.path, sections, encoding)
                self.assertEqual(harness_common.read_ini(self.path), sections)

    def test_first_occurrence_wins_and_blanks_around_are_dropped(self):
        plain = os.path.join(self.folder.name, "plain.ini")
        with open(plain, "wb") as file:
            file.write(b"junk\r\n[Common]\r\n RunCount = 3 \r\nRunCount=4\r\n[Install]\r\nGUID=\r\n")
        self.assertEqual(harness_common.read_ini(plain), {"Common": {"RunCount": "3"}, "Install": {"GUID": ""}})


class RecorderTest(unittest.TestCase):

    def test_each_run_adds_its_arguments_as_one_line(self):
        with tempfile.TemporaryDirectory() as folder:
            script, log = os.path.join(folder, "xdg-open"), os.path.join(folder, "opened.log")
            harness_common.write_recorder(script, log)
            self.assertEqual(harness_common.recorded_lines(log), [])
            for arguments in (["http://a/?x=1&y=2"], ["two", "words"], ["中文 it's"]):
                subprocess.run([script] + arguments, check=True, timeout=20)
            self.assertEqual(harness_common.recorded_lines(log), ["http://a/?x=1&y=2", "two words", "中文 it's"])


class RegistrySectionTest(unittest.TestCase):

    def test_values_are_escaped_for_the_registry_file(self):
        text = winenv.registry_section(r"Software\Wine\WineBrowser",
                                       {"Browsers": r'/tmp/a "b"\c', "ProxyEnable": 1, "Name": "中"})
        lines = text.strip().splitlines()
        self.assertRegex(lines[0], r"^\[Software\\\\Wine\\\\WineBrowser\] \d+$")
        self.assertEqual(lines[1:], ['"Browsers"="/tmp/a \\"b\\"\\\\c"', '"ProxyEnable"=dword:00000001',
                                     '"Name"="\\x4e2d"'])

    def test_other_value_types_are_refused(self):
        for value in (True, 1.5, b"x"):
            with self.subTest(value=value), self.assertRaises(TypeError):
                winenv.registry_section("Software", {"v": value})


class WindowsPathTest(unittest.TestCase):

    def test_paths_map_to_drive_c_or_z(self):
        prefix = winenv.WinePrefix.__new__(winenv.WinePrefix)
        prefix.path = "/scratch/prefix"
        self.assertEqual(prefix.windows_path("/scratch/prefix/drive_c/ProgramData/Velqo"), r"C:\ProgramData\Velqo")
        self.assertEqual(prefix.windows_path("/scratch/prefix/drive_c"), "C:\\")
        self.assertEqual(prefix.windows_path("/scratch/prefix/drive_cx/a"), r"Z:\scratch\prefix\drive_cx\a")
        self.assertEqual(prefix.unix_path(r"c:\ProgramData\\Velqo\vkr"), "/scratch/prefix/drive_c/ProgramData/Velqo/vkr")
        with self.assertRaises(ValueError):
            prefix.unix_path(r"Z:\tmp")


if __name__ == "__main__":
    unittest.main()
