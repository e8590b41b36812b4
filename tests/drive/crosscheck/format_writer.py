"""The test side of the drive format in Python: loads the restore tool (which holds the one Python reader)
and writes objects the way the format describes, for readers to be tried on."""

import importlib.machinery
import importlib.util
import json
import os
import struct

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

CHUNK = 4194304
SLOT_TEXT = 4068
SOURCE_ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
TOOL = os.path.join(SOURCE_ROOT, "tools", "keldra-drive-restore")


def load_reader():
    """keldra-drive-restore as a module."""
    loader = importlib.machinery.SourceFileLoader("keldra_drive_restore", TOOL)
    found = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(found)
    loader.exec_module(module)
    return module


reader = load_reader()


def encoder_json(value):
    """Compact JSON with "/" escaped, as the platform encoder writes it."""
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False).replace("/", "\\/").encode("utf-8")


def write_object(path, object_id, plain, meta_json, ckey):
    """Writes an object file under the content key `ckey`, the metadata JSON given as bytes."""
    assert len(meta_json) <= SLOT_TEXT
    slot_nonce = os.urandom(12)
    slot = slot_nonce + AESGCM(ckey).encrypt(
        slot_nonce, meta_json + b" " * (SLOT_TEXT - len(meta_json)), b"meta:" + object_id.encode()
    )
    assert len(slot) == 4096
    out = bytearray(b"OLO2" + struct.pack(">I", 4096) + slot + struct.pack(">I", CHUNK))
    chunks = [plain[i : i + CHUNK] for i in range(0, len(plain), CHUNK)] or [b""]
    for index, chunk in enumerate(chunks):
        nonce = os.urandom(12)
        last = index == len(chunks) - 1
        out += nonce + AESGCM(ckey).encrypt(nonce, chunk, reader.chunk_data(object_id, index, last))
    with open(path, "wb") as f:
        f.write(out)
    return bytes(out)
