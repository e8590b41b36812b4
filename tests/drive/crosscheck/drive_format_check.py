#!/usr/bin/python3
"""Checks the C++ drive format against the independent reader of keldra-drive-restore, and against a
writer here in Python (Debian's python3-cryptography), both ways.

The reader and the writer are written from the format's description alone: a header "backup.json" with a
sealed key check, objects "OLO2" with a sealed metadata slot and chunk records, everything sealed with
AES-256-GCM under a content key derived by HKDF-SHA256. Usage: drive_format_check.py <path of
drive_format_crosscheck>.
"""

import json
import os
import subprocess
import sys
import tempfile
import uuid

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

from format_writer import CHUNK, encoder_json, reader
from format_writer import write_object as write_object_under

ACCOUNT_KEY = bytes(range(100, 132))
CONTENT_KEY = reader.content_key(ACCOUNT_KEY)
CHECKSUM_KEY = reader.checksum_key(ACCOUNT_KEY)


def keyed_checksum(data):
    return reader.keyed_checksum(CHECKSUM_KEY, data)


def read_object(path):
    """Returns (metadata dict, raw metadata JSON bytes, plaintext) of an object file."""
    return reader.read_object(path, CONTENT_KEY)


def write_object(path, object_id, plain, meta_json):
    return write_object_under(path, object_id, plain, meta_json, CONTENT_KEY)


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def run(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True)


README = (
    "Orlivane Keldra backup\n"
    "======================\n"
    "\n"
    "This folder holds encrypted backups made by Orlivane Keldra for Linux.\n"
    "Every file and file name is encrypted with a key made from your Keldra passphrase.\n"
    "Nobody can open them without that passphrase, including Orlivane.\n"
    "\n"
    "To restore: open Orlivane Keldra \u203a Restore and choose this drive.\n"
    "Without the app: run keldra-drive-restore (in the app's Tools folder, also on\n"
    "orlivane.example) with Python 3 and your passphrase.\n"
    "\n"
    "Don't rename or edit anything in here. Deleting this folder deletes the backups."
)


def check_cpp_written(tool, work):
    root = os.path.join(work, "Orlivane Keldra Backup")
    result = run(tool, "write", root, ACCOUNT_KEY.hex())
    check(result.returncode == 0, "C++ writer failed: " + result.stderr)
    if result.returncode != 0:
        return
    manifest = json.loads(result.stdout)

    # Header: five keys, the key check opens with "keycheck" under the content key.
    with open(os.path.join(root, "backup.json"), "rb") as f:
        raw_header = f.read()
    header = json.loads(raw_header)
    check(list(header) == ["format", "version", "created", "keyCheckIV", "keyCheck"], "header keys/order")
    check(header["format"] == "orlivane-keldra-local" and header["version"] == 2, "header tag and version")
    check(len(header["created"]) == 20 and header["created"].endswith("Z"), "header date form")
    check(len(header["keyCheckIV"]) == 16 and len(header["keyCheck"]) == 44, "key check lengths")
    check(raw_header == encoder_json(header), "header bytes are the encoder's compact JSON")
    import base64

    iv = base64.b64decode(header["keyCheckIV"], validate=True)
    sealed = base64.b64decode(header["keyCheck"], validate=True)
    check(AESGCM(CONTENT_KEY).decrypt(iv, sealed, b"keycheck") == b"cairn-local-ok-v2", "key check text")
    check(reader.verify_key_check(header, CONTENT_KEY), "the restore tool accepts the key check")
    check(not reader.verify_key_check(header, reader.content_key(bytes(32))), "and refuses another key's")

    with open(os.path.join(root, "README.txt"), "rb") as f:
        check(f.read() == README.encode("utf-8"), "README text")
    with open(os.path.join(root, "devices", "device-1", "device.json"), "rb") as f:
        raw_device = f.read()
    check(json.loads(raw_device) == {"name": "Ana's \"work\" laptop / desk"}, "device.json name")
    check(raw_device == encoder_json({"name": "Ana's \"work\" laptop / desk"}), "device.json bytes")

    for entry in manifest:
        object_id = entry["id"]
        check(len(object_id) == 32 and object_id == object_id.lower(), "object id form")
        expected_path = os.path.join(root, "devices", "device-1", "objects", object_id[:2], object_id + ".olo")
        check(entry["object"] == expected_path, "object location " + entry["object"])
        with open(entry["source"], "rb") as f:
            source = f.read()
        meta, meta_raw, plain = read_object(expected_path)
        label = entry["path"]
        check(plain == source, "plaintext of " + label)
        check(meta == {k: entry[k] for k in ("path", "size", "mtime", "created", "hmac")}, "metadata of " + label)
        check(meta["hmac"] == keyed_checksum(source), "keyed checksum of " + label)
        check(meta_raw.rstrip(b" ") == encoder_json(meta), "metadata bytes of " + label)
        check(len(meta_raw) == 4068, "padded metadata length of " + label)
        records = max(1, -(-len(source) // CHUNK))
        check(os.path.getsize(expected_path) == 4108 + len(source) + 28 * records, "object size of " + label)
        check(entry["objectSize"] == os.path.getsize(expected_path), "reported object size of " + label)
    check(len(manifest) == 5, "five objects written")


def check_python_written(tool, work):
    folder = os.path.join(work, "python")
    os.makedirs(folder)
    cases = [
        (0, "~/py/empty"),
        (5, "~/py/small \u00e9.txt"),
        (CHUNK, "/py/one chunk"),
        (CHUNK + 1, "~/py/chunk and a byte"),
        (2 * CHUNK + 3, "~/py/three records"),
    ]
    for size, path in cases:
        plain = os.urandom(size)
        object_id = uuid.uuid4().hex
        object_path = os.path.join(folder, object_id + ".olo")
        meta = {"path": path, "size": size, "mtime": 1690000000.5, "created": 1700000000.25,
                "hmac": keyed_checksum(plain)}
        raw = write_object(object_path, object_id, plain, encoder_json(meta))
        target = os.path.join(folder, "restored-" + object_id)
        result = run(tool, "restore", object_path, target, ACCOUNT_KEY.hex())
        check(result.returncode == 0, "C++ restore of " + path + ": " + result.stdout + result.stderr)
        if result.returncode == 0:
            with open(target, "rb") as f:
                check(f.read() == plain, "C++ restored content of " + path)
        result = run(tool, "metadata", object_path, ACCOUNT_KEY.hex())
        check(result.returncode == 0 and json.loads(result.stdout) == meta, "C++ metadata of " + path)

        if size == CHUNK + 1:
            # Renamed, cut at a record boundary, or with a foreign key: C++ must refuse.
            renamed = os.path.join(folder, uuid.uuid4().hex + ".olo")
            with open(renamed, "wb") as f:
                f.write(raw)
            result = run(tool, "restore", renamed, target + "-renamed", ACCOUNT_KEY.hex())
            check(result.returncode == 3 and result.stdout.strip() == "authFailed", "renamed object refused")
            cut = os.path.join(folder, object_id[:-1] + "0.olo")
            cut_id = os.path.splitext(os.path.basename(cut))[0]
            write_object(cut, cut_id, plain, encoder_json(meta))
            with open(cut, "r+b") as f:
                f.truncate(4108 + CHUNK + 28)
            result = run(tool, "restore", cut, target + "-cut", ACCOUNT_KEY.hex())
            check(result.returncode == 3 and result.stdout.strip() == "authFailed", "object cut at a boundary")
            check(not os.path.exists(target + "-cut"), "no partial file after a failed restore")
            result = run(tool, "metadata", object_path, bytes(32).hex())
            check(result.returncode == 3 and result.stdout.strip() == "authFailed", "wrong key refused")

    # A header made here verifies in C++, and fails for another key.
    root = os.path.join(work, "py-root")
    os.makedirs(root)
    nonce = os.urandom(12)
    import base64

    header = {
        "created": "2024-01-02T03:04:05Z",
        "keyCheck": base64.b64encode(AESGCM(CONTENT_KEY).encrypt(nonce, b"cairn-local-ok-v2", b"keycheck")).decode(),
        "format": "orlivane-keldra-local",
        "keyCheckIV": base64.b64encode(nonce).decode(),
        "version": 2,
        "comment": "readers ignore other keys",
    }
    with open(os.path.join(root, "backup.json"), "w") as f:
        json.dump(header, f, indent=2)
    result = run(tool, "verify-header", root, ACCOUNT_KEY.hex())
    check(result.returncode == 0, "C++ verifies a Python header")
    result = run(tool, "verify-header", root, bytes(32).hex())
    check(result.returncode == 4, "C++ refuses a Python header under another key")


def main():
    tool = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        check_cpp_written(tool, work)
        check_python_written(tool, work)
    if failures:
        print(len(failures), "check(s) failed")
        return 1
    print("drive format cross-check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
