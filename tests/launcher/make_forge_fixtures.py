#!/usr/bin/env python3
"""Writes the Forge library fixtures the launcher tests read: .xz bodies and
jars with "checksums.sha1", made with Python's own lzma and zipfile so the
launcher's decoder and checker are tried against an independent writer.

Usage: make_forge_fixtures.py <output folder>
"""
import hashlib
import io
import lzma
import os
import random
import struct
import sys
import warnings
import zipfile

STAMP = (2014, 6, 1, 12, 0, 0)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def pattern(size, seed):
    """Half noise (many input reads), half repeats (many output flushes)."""
    rng = random.Random(seed)
    noise = bytes(rng.getrandbits(8) for _ in range(size // 2))
    return noise + bytes((i * 7) & 0xFF for i in range(size - size // 2))


def build_jar(entries):
    """entries: (name, bytes) in index order; a name ending in "/" is a folder."""
    out = io.BytesIO()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # duplicate names are wanted once
        with zipfile.ZipFile(out, "w") as jar:
            for name, data in entries:
                info = zipfile.ZipInfo(name, STAMP)
                info.compress_type = zipfile.ZIP_STORED if name.endswith("/") else zipfile.ZIP_DEFLATED
                jar.writestr(info, data)
    return out.getvalue()


def sha1(data):
    return hashlib.sha1(data).hexdigest()


def checksums_text(entries, wrong=None, extra=()):
    lines = []
    for i, (name, data) in enumerate(entries):
        if name.endswith("/"):
            continue
        digest = sha1(data)
        if name == wrong:
            digest = ("0" if digest[0] != "0" else "1") + digest[1:]
        if i == 1:
            digest = digest.upper()  # either case counts
        lines.append(digest + " " + name)
    lines[1:1] = ["# not a checksum line", "abc def"]
    lines.extend(extra)
    return "\n".join(lines).encode()  # the last line has no line feed


def pack_body(pack, signature, tag=b"SIGN"):
    return pack + signature + struct.pack("<I", len(signature)) + tag


def xz(data, check=lzma.CHECK_CRC64):
    return lzma.compress(data, format=lzma.FORMAT_XZ, check=check)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)

    # Plain .xz bodies.
    one = pattern(70000, 1)
    write(folder, "xz-one.raw", one)
    write(folder, "xz-one.xz", xz(one))
    first, second = pattern(3000, 2), pattern(41000, 3)
    write(folder, "xz-two.raw", first + second)
    write(folder, "xz-two.xz", xz(first) + xz(second, lzma.CHECK_SHA256))
    packed = bytearray(xz(one))
    packed[len(packed) // 2] ^= 0x55
    write(folder, "xz-corrupt.xz", bytes(packed))
    write(folder, "xz-truncated.xz", xz(one)[: len(xz(one)) // 2])
    write(folder, "xz-not.xz", b"this is not an xz stream at all\n")
    write(folder, "xz-empty.xz", b"")

    # The library: lib.jar stands in for the pack200 archive, since the fake
    # unpacker copies the pack to the jar.
    entries = [
        ("META-INF/", b""),
        ("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\r\n\r\n"),
        ("net/minecraftforge/Example.class", b"\xca\xfe\xba\xbe" + pattern(3000, 4)),
        ("data/blob.bin", pattern(50000, 5)),
        ("data/empty.txt", b""),
    ]
    jar = build_jar(entries)
    signature = checksums_text(entries)
    write(folder, "lib.jar", jar)
    write(folder, "lib.checksums.sha1", signature)
    write(folder, "lib.jar.pack.xz", xz(pack_body(jar, signature)))
    wrong = checksums_text(entries, wrong="data/blob.bin")
    write(folder, "lib-wrongdigest.checksums.sha1", wrong)
    write(folder, "lib-wrongdigest.jar.pack.xz", xz(pack_body(jar, wrong)))
    write(folder, "lib-nosign.jar.pack.xz", xz(pack_body(jar, signature, b"SIGX")))

    # Jars to check as they are.
    write(folder, "signed.jar", build_jar(entries + [("checksums.sha1", signature)]))
    write(folder, "verify-nosums.jar", jar)
    missing = checksums_text(entries, extra=[sha1(b"gone") + " ghost.class"])
    write(folder, "verify-missing.jar", build_jar(entries + [("checksums.sha1", missing)]))
    write(folder, "verify-wrong.jar", build_jar(entries + [("checksums.sha1", wrong)]))
    twice = entries + [("checksums.sha1", signature), ("data/blob.bin", b"evil")]
    write(folder, "verify-duplicate.jar", build_jar(twice))
    crlf = signature.replace(b"\n", b"\r\n")
    write(folder, "verify-crlf.jar", build_jar(entries + [("checksums.sha1", crlf)]))
    write(folder, "verify-empty.jar", build_jar([]))


if __name__ == "__main__":
    main()
