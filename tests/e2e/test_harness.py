"""The harness's own readers and writers of prefix files and registry text. Runs without Wine."""

import os
import tempfile
import unittest

import harness
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
                harness.write_ini(self.path, sections, encoding)
                self.assertEqual(harness.read_ini(self.path), sections)

    def test_first_occurrence_wins_and_blanks_around_are_dropped(self):
        plain = os.path.join(self.folder.name, "plain.ini")
        with open(plain, "wb") as file:
            file.write(b"junk\r\n[Common]\r\n RunCount = 3 \r\nRunCount=4\r\n[Install]\r\nGUID=\r\n")
        self.assertEqual(harness.read_ini(plain), {"Common": {"RunCount": "3"}, "Install": {"GUID": ""}})


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
