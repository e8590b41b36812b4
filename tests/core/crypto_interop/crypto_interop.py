#!/usr/bin/python3
"""Cross-checks the C++ key against Python's cryptography package, both ways.

usage: crypto_interop.py <crypto_interop_tool> <work folder>
"""
import base64
import json
import os
import subprocess
import sys

from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives import hashes, hmac
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.hkdf import HKDF
from cryptography.hazmat.primitives.kdf.pbkdf2 import PBKDF2HMAC

PASSPHRASE = "Interop passphrase \u2713 with spaces "
NAMES = ["", "~/Documents/report.pdf", "/Volumes/Photos/IMG 0001.HEIC", "~/M\u00fasica/canci\u00f3n \U0001f3b5.mp3",
         "~/" + "deep/" * 60 + "file"]
BLOBS = [b"", b"x", bytes(range(256)) * 3, os.urandom(70000)]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def derive(passphrase):
    return PBKDF2HMAC(hashes.SHA256(), 32, b"tarnwicke-strata-v1", 100000).derive(passphrase.encode("utf-8"))


def checksum_key(key):
    return HKDF(hashes.SHA256(), 32, b"tarnwicke-strata-checksum-v1", b"file-hmac").derive(key)


def keyed_checksum(ck, data):
    mac = hmac.HMAC(ck, hashes.SHA256())
    mac.update(data)
    return mac.finalize().hex()


def b64(data):
    return base64.b64encode(data).decode("ascii")


def run(tool, mode, payload, work):
    source = os.path.join(work, mode + "-in.json")
    target = os.path.join(work, mode + "-out.json")
    with open(source, "w", encoding="utf-8") as f:
        json.dump(payload, f, ensure_ascii=False)
    subprocess.run([tool, mode, source, target], check=True)
    with open(target, encoding="utf-8") as f:
        return json.load(f)


def ours_open_in_python(tool, work):
    out = run(tool, "seal", {"passphrase": PASSPHRASE, "names": NAMES, "blobs": [b64(b) for b in BLOBS]}, work)
    key = derive(PASSPHRASE)
    ck = checksum_key(key)
    check(out["key_hex"] == key.hex(), "derived key matches PBKDF2")
    check(out["checksum_key_hex"] == ck.hex(), "checksum key matches HKDF")
    aes = AESGCM(key)
    for entry in out["names"]:
        iv_text, sealed_text = entry["sealed"].split(".")
        check(len(iv_text) == 16 and not iv_text.endswith("="), "IV part is 16 characters without padding")
        plain = aes.decrypt(base64.b64decode(iv_text, validate=True), base64.b64decode(sealed_text, validate=True), None)
        check(plain.decode("utf-8") == entry["plain"], "sealed name opens: %r" % entry["plain"])
    for entry in out["blobs"]:
        sealed = base64.b64decode(entry["sealed"], validate=True)
        plain = base64.b64decode(entry["plain"])
        check(len(sealed) == len(plain) + 16, "sealed size is plain + 16")
        check(aes.decrypt(base64.b64decode(entry["iv"]), sealed, None) == plain, "sealed bytes open")
    for entry in out["checksums"]:
        check(entry["hex"] == keyed_checksum(ck, base64.b64decode(entry["plain"])), "keyed checksum matches")
    verifier = out["verifier"]
    check(aes.decrypt(base64.b64decode(verifier["iv"]), base64.b64decode(verifier["verifier"]), None)
          == b"cairn-ok-v1", "verifier opens to cairn-ok-v1")
    # And a tampered tag must not open in Python either (sanity check of the check itself).
    sealed = bytearray(base64.b64decode(out["blobs"][1]["sealed"]))
    sealed[-1] ^= 1
    try:
        aes.decrypt(base64.b64decode(out["blobs"][1]["iv"]), bytes(sealed), None)
        check(False, "tampered tag rejected by Python")
    except InvalidTag:
        pass


def python_seals_open_in_ours(tool, work):
    key = derive(PASSPHRASE)
    ck = checksum_key(key)
    aes = AESGCM(key)

    def seal(data):
        iv = os.urandom(12)
        return iv, aes.encrypt(iv, data, None)

    names = []
    for name in NAMES:
        iv, sealed = seal(name.encode("utf-8"))
        names.append(b64(iv) + "." + b64(sealed))
    blobs = []
    for blob in BLOBS:
        iv, sealed = seal(blob)
        blobs.append({"iv": b64(iv), "sealed": b64(sealed)})
    damaged_iv, damaged = seal(b"damaged")
    damaged = damaged[:3] + bytes([damaged[3] ^ 0x40]) + damaged[4:]
    blobs.append({"iv": b64(damaged_iv), "sealed": b64(damaged)})
    good_iv, good = seal(b"cairn-ok-v1")
    wrong_iv, wrong = seal(b"cairn-ok-v0")
    other = AESGCM(derive("another passphrase"))
    other_iv = os.urandom(12)
    verifiers = [
        {"verifier": b64(good), "iv": b64(good_iv)},
        {"verifier": b64(wrong), "iv": b64(wrong_iv)},
        {"verifier": b64(other.encrypt(other_iv, b"cairn-ok-v1", None)), "iv": b64(other_iv)},
        {"verifier": "not base64", "iv": b64(good_iv)},
    ]
    out = run(tool, "open", {"passphrase": PASSPHRASE, "names": names, "blobs": blobs, "verifiers": verifiers}, work)
    check(out["key_hex"] == key.hex(), "our key equals Python's")
    for name, entry in zip(NAMES, out["names"]):
        check(entry.get("recognised") is True, "Python's sealed name is recognised: %r" % name)
        check(entry.get("plain") == name, "Python's sealed name opens: %r" % name)
    for blob, entry in zip(BLOBS, out["blobs"]):
        check(entry.get("plain") == b64(blob), "Python's sealed bytes open")
        check(entry.get("checksum") == keyed_checksum(ck, blob), "our checksum of Python's plaintext")
    check(out["blobs"][-1] == {"error": "Couldn't decrypt: the data is damaged or the key is wrong."},
          "damaged body is decryptionFailed")
    check(out["verifiers"] == [True, False, False, False], "verifier checks: %r" % out["verifiers"])


def main():
    tool, work = sys.argv[1], sys.argv[2]
    os.makedirs(work, exist_ok=True)
    ours_open_in_python(tool, work)
    python_seals_open_in_ours(tool, work)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all interop checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
