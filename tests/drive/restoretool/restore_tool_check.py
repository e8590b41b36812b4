#!/usr/bin/python3
"""keldra-drive-restore against drives written by the real drive run (the keldra-bench program).

Usage: restore_tool_check.py <path of keldra-bench>
"""

import fcntl
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import uuid

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "crosscheck"))
from format_writer import TOOL, encoder_json, reader, write_object  # noqa: E402

PASSPHRASE = "correct horse battery staple \u00e9"
BENCH = None


def pattern(size, seed):
    """Content that differs at every offset, so a misplaced chunk shows."""
    block = bytes((seed * 131 + i * 7 + (i >> 8)) & 0xFF for i in range(65536))
    return (block * (size // len(block) + 1))[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def tree(folder):
    """{relative path: bytes} of every file below a folder."""
    found = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def drive_run(dest, source, state, home):
    result = subprocess.run(
        [BENCH, "drive", "--dest", dest, "--passphrase", PASSPHRASE, "--source", source, "--state", state],
        capture_output=True,
        text=True,
        env=dict(os.environ, HOME=home),
    )
    if result.returncode != 0:
        raise AssertionError("drive run failed: " + result.stdout + result.stderr)


def restore(*arguments, passphrase=PASSPHRASE):
    # A tool that waits for ever fails the test instead of holding it.
    return subprocess.run(
        [sys.executable, TOOL, *arguments], input=(passphrase + "\n").encode(), capture_output=True, timeout=300
    )


# Runs the tool and stops it in the middle of writing its first file: by a signal sent to itself, or by
# a write that fails.
STOPPED_MIDWAY = r"""
import errno, importlib.machinery, importlib.util, os, signal, sys
loader = importlib.machinery.SourceFileLoader("tool", sys.argv[1])
found = importlib.util.spec_from_loader(loader.name, loader)
tool = importlib.util.module_from_spec(found)
loader.exec_module(tool)
how = sys.argv[2]
original = tool.restore_object
def restore_object(path, ckey, write):
    def then_stop(plain):
        write(plain)
        if how == "ENOSPC":
            raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
        os.kill(os.getpid(), getattr(signal, how))
    original(path, ckey, then_stop)
tool.restore_object = restore_object
sys.argv = [sys.argv[1]] + sys.argv[3:]
sys.exit(tool.main())
"""


def restore_stopped(how, *arguments):
    return subprocess.run(
        [sys.executable, "-c", STOPPED_MIDWAY, TOOL, how, *arguments],
        input=(PASSPHRASE + "\n").encode(),
        capture_output=True,
        timeout=300,
    )


def temporary_files(folder):
    return [os.path.join(base, name) for base, _, files in os.walk(folder) for name in files
            if name.startswith(".keldra-restore-")]


class Drives(unittest.TestCase):
    """One drive with two devices: "keldra-bench" backed up a home folder twice (a file changed and one
    added in between), "server" a folder outside any home."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="keldra-restore-tool-")
        cls.home = os.path.join(cls.work, "home")
        cls.first = {
            "Documents/report.txt": b"first version of the report\n",
            "Documents/empty.txt": b"",
            "Documents/deep/er/caf\u00e9 \"quoted\" name.bin": pattern(1000, 1),
            "Pictures/large.bin": pattern(4194304 + 3, 2),
            "Pictures/one chunk.bin": pattern(4194304, 3),
            "Documentary/not under Documents.txt": b"a neighbour of the prefix\n",
        }
        for relative, data in cls.first.items():
            write(os.path.join(cls.home, relative), data)
        cls.dest = os.path.join(cls.work, "drive")
        state = os.path.join(cls.work, "state")
        drive_run(cls.dest, cls.home, state, cls.home)
        time.sleep(1.1)
        cls.between = time.time()
        time.sleep(1.1)
        cls.latest = dict(cls.first)
        cls.latest["Documents/report.txt"] = b"second, longer version of the report\n"
        cls.latest["Documents/added later.txt"] = b"new in the second run\n"
        for relative in ("Documents/report.txt", "Documents/added later.txt"):
            write(os.path.join(cls.home, relative), cls.latest[relative])
        drive_run(cls.dest, cls.home, state, cls.home)

        # A second computer's backup on the same drive, under the same passphrase.
        cls.server_source = os.path.join(cls.work, "srv", "data")
        cls.server = {"a.txt": b"server file\n", "sub/b.bin": pattern(70000, 4)}
        for relative, data in cls.server.items():
            write(os.path.join(cls.server_source, relative), data)
        other = os.path.join(cls.work, "other-drive")
        drive_run(other, cls.server_source, os.path.join(cls.work, "state2"), os.path.join(cls.work, "nohome"))
        cls.root = os.path.join(cls.dest, "Orlivane Keldra Backup")
        shutil.copytree(
            os.path.join(other, "Orlivane Keldra Backup", "devices", "keldra-bench"),
            os.path.join(cls.root, "devices", "server"),
        )

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def target(self):
        return os.path.join(tempfile.mkdtemp(dir=self.work), "restored")

    def copy_of_drive(self):
        copy = os.path.join(tempfile.mkdtemp(dir=self.work), "Orlivane Keldra Backup")
        shutil.copytree(self.root, copy)
        return copy

    def objects_of(self, root, device="keldra-bench"):
        """{stored path: [object file, newest first]} read with the tool's own reader."""
        ckey = reader.content_key(reader.derive_key(PASSPHRASE))
        catalog = reader.Catalog(os.path.join(root, "devices", device), ckey)
        return {path: [copy[1] for copy in copies] for path, copies in catalog.copies.items()}

    def assertRestored(self, target, expected):
        self.assertEqual(sorted(tree(target)), sorted(expected))
        for relative, data in expected.items():
            self.assertEqual(tree(target)[relative], data, relative)

    def test_every_file_comes_back_byte_for_byte(self):
        target = self.target()
        result = restore("--device", "keldra-bench", self.root, target)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRestored(target, {os.path.join("Home", k): v for k, v in self.latest.items()})
        self.assertIn(b"Restored 7 of 7 files", result.stdout)
        restored = os.stat(os.path.join(target, "Home", "Pictures", "large.bin")).st_mtime
        self.assertAlmostEqual(restored, os.stat(os.path.join(self.home, "Pictures", "large.bin")).st_mtime, 3)

        # A folder outside the home comes back under its full path.
        target = self.target()
        result = restore("--device", "server", self.root, target)
        self.assertEqual(result.returncode, 0, result.stderr)
        prefix = os.path.relpath(self.server_source, "/")
        self.assertRestored(target, {os.path.join(prefix, k): v for k, v in self.server.items()})

    def test_choosing_the_device(self):
        # With two devices one must be named; with one, none needs to be.
        target = self.target()
        result = restore(self.root, target)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"--device", result.stderr)
        self.assertFalse(os.path.exists(target))
        result = restore("--device", "laptop", self.root, target)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"no device laptop", result.stderr)

        single = self.copy_of_drive()
        shutil.rmtree(os.path.join(single, "devices", "server"))
        result = restore(single, target)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(tree(target)), 7)

    def test_a_wrong_passphrase_is_refused_before_anything_is_written(self):
        cases = [("another passphrase", b"different Keldra passphrase"),
                 (PASSPHRASE + " ", b"different Keldra passphrase"),
                 ("", b"Enter your Keldra passphrase.")]
        for passphrase, message in cases:
            with self.subTest(passphrase=passphrase):
                target = self.target()
                result = restore("--device", "server", self.root, target, passphrase=passphrase)
                self.assertEqual(result.returncode, 2)
                self.assertIn(message, result.stderr)
                self.assertFalse(os.path.exists(target))
                result = restore("--list", self.root, passphrase=passphrase)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")

    def test_the_target_must_be_empty_or_new(self):
        full = self.target()
        write(os.path.join(full, "mine.txt"), b"keep me")
        a_file = self.target()
        write(a_file, b"a file")
        link = self.target()
        os.symlink(os.path.dirname(link), link)
        for target in (full, a_file, link):
            with self.subTest(target=target):
                result = restore("--device", "server", self.root, target)
                self.assertEqual(result.returncode, 2)
                self.assertIn(b"empty or new folder", result.stderr)
        self.assertEqual(tree(full), {"mine.txt": b"keep me"})

        empty = self.target()
        os.makedirs(empty)
        self.assertEqual(restore("--device", "server", self.root, empty).returncode, 0)
        self.assertEqual(len(tree(empty)), 2)

    def test_a_damaged_object_is_reported_and_the_rest_restored(self):
        root = self.copy_of_drive()
        objects = self.objects_of(root)
        flipped = objects["~/Pictures/large.bin"][0]
        with open(flipped, "r+b") as f:
            f.seek(4108 + 4194304 + 28 + 5)  # inside the second record
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x01]))
        truncated = objects["~/Pictures/one chunk.bin"][0]
        os.truncate(truncated, 4108 + 20)
        slot = objects["~/Documents/empty.txt"][0]
        with open(slot, "r+b") as f:
            f.seek(100)
            f.write(b"\xff\xff")
        # The newest copy of the report damaged: its older copy comes back, and that is said.
        cut = objects["~/Documents/report.txt"][0]
        os.truncate(cut, os.path.getsize(cut) - 1)

        target = self.target()
        result = restore("--device", "keldra-bench", root, target)
        self.assertEqual(result.returncode, 1)
        errors = result.stderr.decode()
        self.assertIn("~/Pictures/large.bin: The backup file is damaged or was made with a different key.", errors)
        self.assertIn("~/Pictures/one chunk.bin: The backup file is incomplete.", errors)
        self.assertIn(os.path.basename(slot) + ": The backup file is damaged or was made with a different key.",
                      errors)
        self.assertIn("~/Documents/report.txt: came back as its older copy", errors)
        expected = {os.path.join("Home", k): v for k, v in self.latest.items()
                    if k not in ("Pictures/large.bin", "Pictures/one chunk.bin", "Documents/empty.txt")}
        expected[os.path.join("Home", "Documents", "report.txt")] = self.first["Documents/report.txt"]
        # Nothing half-written stays behind.
        self.assertRestored(target, expected)

    def test_hostile_names_are_refused_and_skipped(self):
        root = self.copy_of_drive()
        objects = os.path.join(root, "devices", "keldra-bench", "objects")
        ckey = reader.content_key(reader.derive_key(PASSPHRASE))
        sum_key = reader.checksum_key(reader.derive_key(PASSPHRASE))

        def stored(path, data):
            object_id = uuid.uuid4().hex
            meta = {"path": path, "size": len(data), "mtime": 1.0, "created": 2e9,
                    "hmac": reader.keyed_checksum(sum_key, data)}
            os.makedirs(os.path.join(objects, object_id[:2]), exist_ok=True)
            write_object(os.path.join(objects, object_id[:2], object_id + ".olo"), object_id, data,
                         encoder_json(meta), ckey)

        hostile = ["~/../escaped.txt", "/../../escaped.txt", "~/Documents/./dot.txt", "relative/escaped.txt",
                   "~/", "~//double.txt", "~/nul\0.txt", "~", "/"]
        for path in hostile:
            stored(path, b"hostile")
        # Two names that land on one place: neither replaces the other.
        stored("/Home/Documents/empty.txt", b"would replace a restored file")
        stored("~/Documents/report.txt/inside.txt", b"would need a file as its folder")

        outside = os.path.dirname(self.target())
        target = os.path.join(outside, "restored")
        result = restore("--device", "keldra-bench", root, target)
        self.assertEqual(result.returncode, 1)
        errors = result.stderr.decode()
        for path in hostile:
            with self.subTest(path=path):
                self.assertIn("refused the unsafe name \"%s\"" % path.replace("\0", "\\x00"), errors)
        self.assertIn("/Home/Documents/empty.txt: Another restored file already has this name. Skipped.", errors)
        self.assertIn("~/Documents/report.txt/inside.txt: A file of the same name", errors)
        self.assertEqual(sorted(os.listdir(outside)), ["restored"])
        self.assertRestored(target, {os.path.join("Home", k): v for k, v in self.latest.items()})

    def test_hostile_drive_layouts_neither_hang_nor_lead_off_the_drive(self):
        outside = tempfile.mkdtemp(dir=self.work)

        def header_as(kind):
            def change(root):
                header = os.path.join(root, "backup.json")
                if kind == "pipe":
                    os.unlink(header)
                    os.mkfifo(header)
                else:
                    shutil.move(header, os.path.join(outside, "backup-%s.json" % uuid.uuid4().hex))
                    os.symlink(os.path.join(self.root, "backup.json"), header)
                return header
            return change

        def device_json_pipe(root):
            path = os.path.join(root, "devices", "keldra-bench", "device.json")
            os.unlink(path)
            os.mkfifo(path)
            return path

        def object_as(kind):
            def change(root):
                path = self.objects_of(root)["~/Pictures/large.bin"][0]
                moved = os.path.join(outside, uuid.uuid4().hex + os.path.basename(path))
                shutil.move(path, moved)
                if kind == "pipe":
                    os.mkfifo(path)
                else:
                    os.symlink(moved, path)
                return path
            return change

        def fan_out_link(root):
            # The fan-out folder moves off the drive, whole and readable, and a link takes its place.
            folder = os.path.dirname(self.objects_of(root)["~/Pictures/large.bin"][0])
            moved = os.path.join(outside, uuid.uuid4().hex)
            shutil.move(folder, moved)
            os.symlink(moved, folder)
            return folder

        all_back = {os.path.join("Home", k): v for k, v in self.latest.items()}
        without_large = {k: v for k, v in all_back.items() if k != os.path.join("Home", "Pictures", "large.bin")}
        # (what stands in the way, the change, exit status, what the tool says, what comes back or None)
        cases = [
            ("backup.json a pipe", header_as("pipe"), 2, "not a regular file (a pipe)", None),
            ("backup.json a link", header_as("link"), 2, "not a regular file (a link)", None),
            ("device.json a pipe", device_json_pipe, 0, "not a regular file (a pipe); skipped", all_back),
            ("an object a pipe", object_as("pipe"), 1, "not a regular file (a pipe); skipped", without_large),
            ("an object a link", object_as("link"), 1, "not a regular file (a link); skipped", without_large),
            ("a fan-out folder a link", fan_out_link, 1, "couldn't be read (a link stands in the folder's place",
             None),
        ]
        for name, change, status, text, expected in cases:
            with self.subTest(name):
                root = self.copy_of_drive()
                named = change(root)
                target = self.target()
                result = restore("--device", "keldra-bench", root, target)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(("%s: " % named).encode() + text.encode(), result.stderr)
                if expected is None and status == 2:
                    self.assertFalse(os.path.exists(target))
                elif expected is None:
                    # Only the copies in the linked folder stay away.
                    restored = tree(target)
                    self.assertNotIn(os.path.join("Home", "Pictures", "large.bin"), restored)
                    for relative, data in restored.items():
                        self.assertEqual(data, all_back[relative], relative)
                else:
                    self.assertRestored(target, expected)

    def test_a_stopped_run_removes_its_temporary_file(self):
        cases = [("SIGTERM", b"stopped."), ("SIGINT", b"stopped."), ("SIGHUP", b"stopped."),
                 ("SIGQUIT", b"stopped."), ("ENOSPC", b"No space left on device")]
        for how, said in cases:
            with self.subTest(how):
                target = self.target()
                result = restore_stopped(how, "--device", "server", self.root, target)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(said, result.stderr)
                self.assertEqual(temporary_files(target), [])
                # The first file was in work: nothing of it stays, under either name.
                self.assertEqual(tree(target), {})

    def test_a_target_a_killed_run_left_says_how_to_go_on(self):
        target = self.target()
        result = restore_stopped("SIGKILL", "--device", "server", self.root, target)
        self.assertEqual(result.returncode, -9)
        left = temporary_files(target)
        self.assertEqual(len(left), 1)

        # While a run still writes it, the target is that run's.
        with open(left[0], "rb") as f:
            fcntl.flock(f.fileno(), fcntl.LOCK_EX)
            result = restore("--device", "server", self.root, target)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"is being restored into by another run of keldra-drive-restore", result.stderr)

        result = restore("--device", "server", self.root, target)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"holds what an earlier run of keldra-drive-restore left when it was stopped", result.stderr)
        self.assertIn(b"1 unfinished temporary file", result.stderr)
        self.assertIn(b"delete that folder and run again", result.stderr)
        self.assertEqual(temporary_files(target), left)

        shutil.rmtree(target)
        result = restore("--device", "server", self.root, target)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(tree(target)), 2)

    def test_list_path_and_as_of(self):
        result = restore("--list", self.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.decode(), "Devices:\n  keldra-bench\tkeldra-bench\n  server\tkeldra-bench\n")

        result = restore("--list", "--device", "keldra-bench", "--path", "~/Documents", self.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        listed = [line.split("\t")[-1] for line in result.stdout.decode().splitlines() if line.count("\t") == 2]
        self.assertEqual(listed, sorted("~/" + k for k in self.latest if k.startswith("Documents/")))

        home = lambda names: {os.path.join("Home", k): v for k, v in names.items()}  # noqa: E731
        documents = {k: v for k, v in self.latest.items() if k.startswith("Documents/")}
        early = time.strftime("%Y-%m-%dT%H:%M:%S", time.localtime(self.between))
        first_documents = {k: v for k, v in self.first.items() if k.startswith("Documents/")}
        cases = [
            (["--path", "~/Documents"], home(documents)),
            (["--path", "~/Documents/"], home(documents)),
            (["--path", "~/Documents/report.txt"], home({"Documents/report.txt": self.latest["Documents/report.txt"]})),
            (["--as-of", early], home(self.first)),
            (["--as-of", early, "--path", "~/Documents"], home(first_documents)),
            (["--as-of", time.strftime("%Y-%m-%d", time.localtime(time.time() + 86400))], home(self.latest)),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                target = self.target()
                result = restore("--device", "keldra-bench", *arguments, self.root, target)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertRestored(target, expected)

        # A prefix is whole components, and a date before the first copy finds nothing.
        for arguments in (["--path", "~/Doc"], ["--as-of", "2001-01-01"]):
            with self.subTest(arguments=arguments):
                target = self.target()
                result = restore("--device", "keldra-bench", *arguments, self.root, target)
                self.assertEqual(result.returncode, 1)
                self.assertIn(b"no backed-up files", result.stderr)
                self.assertFalse(os.path.exists(target))

    def test_a_folder_that_is_not_a_backup(self):
        result = restore("--list", self.dest)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b'give the folder "Orlivane Keldra Backup" inside it', result.stderr)


if __name__ == "__main__":
    BENCH = sys.argv.pop(1)
    unittest.main(verbosity=2)
