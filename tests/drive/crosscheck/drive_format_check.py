#!/usr/bin/python3
"""An independent reader and writer of the drive backup format, used to check the C++ implementation.

Written from the format's description alone: a header "backup.json" with a sealed key check, objects
"OLO2" with a sealed metadata slot and chunk records, everything sealed with AES-256-GCM under a content
key derived by HKDF-SHA256. Usage: drive_format_check.py <path of drive_format_crosscheck>.
"""

import json
import os
import struct
import subprocess
import sys
import tempfile
import uuid

from cryptography.hazmat.primitives import hashes, hmac
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.hkdf import HKDF

ACCOUNT_KEY = bytes(range(100, 132))
CHUNK = 4194304


def hkdf(key, salt, info):
    return HKDF(algorithm=hashes.SHA256(), length=32, salt=salt, info=info).derive(key)


CONTENT_KEY = hkdf(ACCOUNT_KEY, b"tarnwicke-strata-local-v2", b"content")
CHECKSUM_KEY = hkdf(ACCOUNT_KEY, b"tarnwicke-strata-checksum-v1", b"file-hmac")


def keyed_checksum(data):
    mac = hmac.HMAC(CHECKSUM_KEY, hashes.SHA256())
    mac.update(data)
    return mac.finalize().hex()


def chunk_aad(object_id, index, last):
    return object_id.encode() + struct.pack(">Q", index) + (b"\x01" if last else b"\x00")


class FormatFailure(Exception):
    pass


def read_object(path):
    """Returns (metadata dict, raw metadata JSON bytes, plaintext) of an object file."""
    object_id = os.path.splitext(os.path.basename(path))[0]
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 8 or data[:4] != b"OLO2":
        raise FormatFailure("notAnObject")
    (slot_length,) = struct.unpack(">I", data[4:8])
    if slot_length < 28 or slot_length > 999999 or len(data) < 8 + slot_length:
        raise FormatFailure("badHeader")
    slot = data[8 : 8 + slot_length]
    meta_plain = AESGCM(CONTENT_KEY).decrypt(slot[:12], slot[12:], b"meta:" + object_id.encode())
    meta = json.loads(meta_plain.decode("utf-8"))
    (chunk_size,) = struct.unpack(">I", data[8 + slot_length : 12 + slot_length])
    position = 12 + slot_length
    index = 0
    plain = bytearray()
    while True:
        remaining = len(data) - position
        if remaining <= 27:
            raise FormatFailure("truncated")
        length = min(remaining, chunk_size + 28)
        last = remaining <= chunk_size + 28
        record = data[position : position + length]
        plain += AESGCM(CONTENT_KEY).decrypt(record[:12], record[12:], chunk_aad(object_id, index, last))
        position += length
        if last:
            return meta, meta_plain, bytes(plain)
        index += 1


def write_object(path, object_id, plain, meta_json):
    """Writes an object file the way the format describes, the metadata JSON given as bytes."""
    assert len(meta_json) <= 4068
    slot_nonce = os.urandom(12)
    slot = slot_nonce + AESGCM(CONTENT_KEY).encrypt(
        slot_nonce, meta_json + b" " * (4068 - len(meta_json)), b"meta:" + object_id.encode()
    )
    assert len(slot) == 4096
    out = bytearray(b"OLO2" + struct.pack(">I", 4096) + slot + struct.pack(">I", CHUNK))
    chunks = [plain[i : i + CHUNK] for i in range(0, len(plain), CHUNK)] or [b""]
    for index, chunk in enumerate(chunks):
        nonce = os.urandom(12)
        last = index == len(chunks) - 1
        out += nonce + AESGCM(CONTENT_KEY).encrypt(nonce, chunk, chunk_aad(object_id, index, last))
    with open(path, "wb") as f:
        f.write(out)
    return bytes(out)


def encoder_json(value):
    """Compact JSON with "/" escaped, as the platform encoder writes it."""
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False).replace("/", "\\/").encode("utf-8")


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
