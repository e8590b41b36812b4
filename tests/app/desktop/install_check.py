#!/usr/bin/python3
"""`cmake --install` of the build into a fresh prefix: exactly the programs, the desktop entry, the AppStream
metadata and the icons, and the desktop's own validators accept them.

Usage: install_check.py <build folder> <1 when the build has the keldra program, else 0>
"""

import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

BUILD = None
HAS_KELDRA = False
APP_ID = "org.orlivane.keldra"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256, 512)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="keldra-install-")
        result = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], capture_output=True, text=True)
        if result.returncode != 0:
            raise AssertionError("cmake --install failed: " + result.stdout + result.stderr)
        cls.entry = os.path.join(cls.prefix, "share", "applications", APP_ID + ".desktop")
        cls.metainfo = os.path.join(cls.prefix, "share", "metainfo", APP_ID + ".metainfo.xml")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def test_exactly_the_tree_a_desktop_needs(self):
        installed = set()
        for base, _, files in os.walk(self.prefix):
            installed.update(os.path.relpath(os.path.join(base, name), self.prefix) for name in files)
        expected = {
            "bin/keldra-drive-restore",
            "share/applications/%s.desktop" % APP_ID,
            "share/metainfo/%s.metainfo.xml" % APP_ID,
            "share/icons/hicolor/scalable/apps/%s.svg" % APP_ID,
        }
        expected.update("share/icons/hicolor/%dx%d/apps/%s.png" % (s, s, APP_ID) for s in SIZES)
        if HAS_KELDRA:
            expected.add("bin/keldra")
        self.assertEqual(installed, expected)
        for program in ("keldra", "keldra-drive-restore"):
            path = os.path.join(self.prefix, "bin", program)
            if os.path.exists(path):
                self.assertTrue(os.access(path, os.X_OK), program)

    def test_each_icon_is_a_png_of_its_size(self):
        for size in SIZES:
            with self.subTest(size=size):
                path = os.path.join(self.prefix, "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, APP_ID))
                self.assertEqual(png_size(path), (size, size))
        svg = ElementTree.parse(os.path.join(self.prefix, "share/icons/hicolor/scalable/apps/%s.svg" % APP_ID))
        self.assertEqual(svg.getroot().tag, "{http://www.w3.org/2000/svg}svg")

    def test_the_validators_find_nothing(self):
        result = subprocess.run(["desktop-file-validate", self.entry], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ""))
        result = subprocess.run(
            ["appstreamcli", "validate", "--no-net", "--pedantic", "--no-color", self.metainfo],
            capture_output=True,
            text=True,
        )
        output = result.stdout + result.stderr
        self.assertEqual(result.returncode, 0, output)
        findings = [line for line in output.splitlines() if line[:2] in ("E:", "W:", "I:", "P:")]
        self.assertEqual(findings, [])

    def test_the_entry_names_the_installed_program_and_icon(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.entry, encoding="utf-8")
        section = entry["Desktop Entry"]
        self.assertEqual(section["Name"], "Orlivane Keldra Backup")
        self.assertEqual(section["Icon"], APP_ID)
        self.assertEqual(section["Categories"], "Utility;Archiving;")
        program = section["Exec"].split()[0]
        self.assertNotIn("/", program)
        root = ElementTree.parse(self.metainfo).getroot()
        self.assertEqual(root.findtext("launchable"), APP_ID + ".desktop")
        self.assertIn(program, [b.text for b in root.iter("binary")])
        if not HAS_KELDRA:
            self.skipTest("this build has no keldra program to install yet")
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", program), os.X_OK))


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    HAS_KELDRA = sys.argv.pop(1) == "1"
    unittest.main(verbosity=2)
