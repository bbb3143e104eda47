#!/usr/bin/env python3
"""Binary patches from one file to another, in the format the installer applies
(engine/placement/binary_patch.h).

A patch is bsdiff's (Debian's `bsdiff` 4.3 computes it) with its three bzip2 streams recoded
as raw LZMA, which the installer already decodes for its packages:

    "QBPATCH1"                           8 bytes
    old length, new length               8 bytes each, little-endian
    for control, difference, extra:      coded length, decoded length, 8 bytes each
    the three coded streams, in that order

Each coded stream is LZMA's 5 property bytes (lc/lp/pb and the dictionary size) followed by the
raw LZMA data. The control stream holds entries of three 8-byte numbers in bsdiff's sign and
magnitude: bytes to make by adding the old file's bytes to the difference stream's, bytes to
copy from the extra stream, and how far to move in the old file after that.

    binary_patch.py make <old> <new> <patch>     writes a patch, prints its length
"""
import bz2
import lzma
import os
import pathlib
import struct
import subprocess
import sys
import tempfile

MAGIC = b"QBPATCH1"
HEADER = struct.Struct("<8s8Q")
CONTROL_ENTRY = 24
# The installer refuses a stream asking for a larger dictionary (kPatchMaxDictionary).
MAX_DICTIONARY = 16 << 20
# LZMA's literal and position settings (lc, lp, pb) to try for each stream; the smallest result
# is kept. Measured on this project's executables and on data files: control entries are 24-byte
# aligned, the difference stream is mostly zeros and small byte deltas, and the extra stream is
# new code (which favours position bits) or new text (which favours literal context).
STREAM_SETTINGS = (
    [{"lc": 0, "lp": 0, "pb": 2}],
    [{"lc": 0, "lp": 0, "pb": 0}],
    [{"lc": 0, "lp": 2, "pb": 2}, {"lc": 3, "lp": 0, "pb": 2}],
)


class PatchError(Exception):
    pass


def offtin(raw):
    value = int.from_bytes(raw, "little")
    magnitude = value & ~(1 << 63)
    return -magnitude if value >> 63 else magnitude


def offtout(value):
    return (abs(value) | ((1 << 63) if value < 0 else 0)).to_bytes(8, "little")


def encode_stream(data, settings=None):
    """One coded stream: the 5 property bytes, then raw LZMA."""
    settings = dict(settings or STREAM_SETTINGS[1][0])
    dictionary = max(4096, min(MAX_DICTIONARY, len(data)))
    filters = [dict(id=lzma.FILTER_LZMA1, preset=9 | lzma.PRESET_EXTREME, dict_size=dictionary,
                    **settings)]
    properties = bytes([(settings["pb"] * 5 + settings["lp"]) * 9 + settings["lc"]])
    return (properties + dictionary.to_bytes(4, "little")
            + lzma.compress(data, format=lzma.FORMAT_RAW, filters=filters))


def pack(old_length, new_length, coded, decoded_lengths):
    lengths = []
    for stream, decoded in zip(coded, decoded_lengths):
        lengths += [len(stream), decoded]
    return HEADER.pack(MAGIC, old_length, new_length, *lengths) + b"".join(coded)


def check_control(control, old_length, new_length, diff_length, extra_length):
    """The control entries up to the one that completes the new file, as the installer reads
    them; raises PatchError unless each stays inside both files and the streams add up."""
    if len(control) % CONTROL_ENTRY:
        raise PatchError("control stream is not whole entries")
    old_position = new_position = diff_used = extra_used = used = 0
    while new_position < new_length and used < len(control):
        added, copied, moved = (offtin(control[used + i:used + i + 8]) for i in (0, 8, 16))
        if (added < 0 or copied < 0 or new_position + added + copied > new_length
                or old_position + added > old_length):
            raise PatchError(f"control entry {used // CONTROL_ENTRY} leaves the files")
        new_position += added + copied
        old_position += added + moved
        diff_used += added
        extra_used += copied
        used += CONTROL_ENTRY
        if not 0 <= old_position <= old_length:
            raise PatchError(f"control entry {used // CONTROL_ENTRY - 1} moves outside the old file")
    if new_position != new_length or diff_used != diff_length or extra_used != extra_length:
        raise PatchError("the streams do not add up to the new file")
    return control[:used]


def from_bsdiff(bsdiff_patch, old_length):
    """Recodes a BSDIFF40 patch in this format."""
    magic, control_length, diff_length, new_length = struct.unpack_from("<8s3Q", bsdiff_patch)
    if magic != b"BSDIFF40":
        raise PatchError("not a BSDIFF40 patch")
    at = 32
    control = bz2.decompress(bsdiff_patch[at:at + control_length])
    at += control_length
    diff = bz2.decompress(bsdiff_patch[at:at + diff_length])
    extra = bz2.decompress(bsdiff_patch[at + diff_length:])
    new_length = offtin(struct.pack("<Q", new_length))
    control = check_control(control, old_length, new_length, len(diff), len(extra))
    streams = (control, diff, extra)
    return pack(old_length, new_length, encode_streams(streams), [len(s) for s in streams])


def encode_streams(streams):
    return [min((encode_stream(data, settings) for settings in candidates), key=len)
            for data, candidates in zip(streams, STREAM_SETTINGS)]


def make_patch(old, new, patch):
    """Writes the patch from old to new; returns its length."""
    old_length = os.path.getsize(old)
    if old_length == 0 or os.path.getsize(new) == 0:
        # bsdiff cannot map an empty file; the new file is then all extra bytes.
        data = pathlib.Path(new).read_bytes()
        control = offtout(0) + offtout(len(data)) + offtout(0) if data else b""
        streams = (control, b"", data)
        coded = encode_streams(streams)
        pathlib.Path(patch).write_bytes(pack(old_length, len(data), coded, map(len, streams)))
        return os.path.getsize(patch)
    with tempfile.TemporaryDirectory(prefix="quenby-patch-") as scratch:
        bsdiff_patch = pathlib.Path(scratch) / "patch.bsdiff"
        subprocess.run(["bsdiff", str(old), str(new), str(bsdiff_patch)], check=True)
        data = from_bsdiff(bsdiff_patch.read_bytes(), old_length)
    pathlib.Path(patch).write_bytes(data)
    return len(data)


def main():
    if len(sys.argv) != 5 or sys.argv[1] != "make":
        sys.exit(__doc__)
    print(make_patch(*sys.argv[2:]))


if __name__ == "__main__":
    main()
