#!/usr/bin/env python3
"""Builds the binary-patch fixtures with the publisher's own patch maker:

  <out>/<pair>.old, <pair>.new, <pair>.patch   pairs the publisher patches (PAIRS)
  <out>/hostile/<case>.patch                   patches of edits.old whose streams decode but
                                               whose entries or lengths a patch must not have
  <out>/releases/v1/, v2/                      a client release and the next one
  <out>/releases/with_patches/, without/       v2 published with patches from v1, and without
  <out>/client_wrong_result.patch              applies to v1's client.dll, makes another file
"""
import pathlib
import random
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[3] / "tools" / "publisher"))
import binary_patch  # noqa: E402
import publish  # noqa: E402
from binary_patch import encode_stream, offtout, pack  # noqa: E402


def text_like(rng, length):
    words = [bytes(rng.choices(b"abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 9)))
             for _ in range(400)]
    out = bytearray()
    while len(out) < length:
        out += rng.choice(words) + b" "
    return bytes(out[:length])


def edited(rng, data, count):
    """Scattered changes, insertions and deletions."""
    out = bytearray(data)
    for _ in range(count):
        at = rng.randrange(len(out))
        kind = rng.randrange(3)
        if kind == 0:
            out[at:at + 16] = rng.randbytes(16)
        elif kind == 1:
            out[at:at] = rng.randbytes(rng.randint(1, 300))
        else:
            del out[at:at + rng.randint(1, 300)]
    return bytes(out)


def main(out):
    out = pathlib.Path(out)
    (out / "hostile").mkdir(parents=True, exist_ok=True)
    rng = random.Random(42)
    # Over a megabyte, so that runs cross the applier's buffers.
    base = text_like(rng, 1_300_000)
    pairs = {
        "edits": (base, edited(rng, base, 200)),
        "same": (base, base),
        "from_empty": (b"", base[:5000]),
        "to_empty": (base[:5000], b""),
        "one_byte": (b"a", b"b"),
    }
    for name, (old, new) in pairs.items():
        (out / f"{name}.old").write_bytes(old)
        (out / f"{name}.new").write_bytes(new)
        binary_patch.make_patch(out / f"{name}.old", out / f"{name}.new", out / f"{name}.patch")

    old = pairs["edits"][0]
    old_length = len(old)

    def entry(added, copied, moved):
        return offtout(added) + offtout(copied) + offtout(moved)

    def hostile(name, control, new_length, diff=None, extra=b"", old_length=old_length):
        diff = bytes(sum(c[0] for c in control) * [0]) if diff is None else diff
        raw = b"".join(entry(*c) for c in control)
        streams = (raw, diff, extra)
        coded = [encode_stream(s) for s in streams]
        (out / "hostile" / f"{name}.patch").write_bytes(
            pack(old_length, new_length, coded, [len(s) for s in streams]))

    hostile("adds_past_new_end", [(100, 0, 0)], 50)
    hostile("reads_past_old_end", [(10, 0, old_length - 15), (10, 0, 0)], 20)
    hostile("moves_before_old_start", [(10, 0, -11), (10, 0, 0)], 20)
    hostile("copies_past_new_end", [(0, 10, 0)], 5, extra=b"0123456789")
    hostile("negative_length", [(-1, 11, 0)], 10, extra=b"0123456789a")
    hostile("control_ends_early", [(10, 0, 0)], 20)
    hostile("extra_left_over", [(0, 5, 0)], 5, extra=b"0123456789")
    hostile("difference_short", [(10, 0, 0)], 10, diff=b"12345")
    # Entry lengths near 2^63 that a careless sum would wrap.
    hostile("wrapping_lengths", [(2**62, 2**63 - 1, 0)], 10, diff=b"")
    hostile("wrapping_move", [(0, 1, -(2**63 - 1)), (1, 0, 0)], 2, extra=b"x")
    # Whole entries only.
    coded = [encode_stream(b"\0" * 20), encode_stream(b""), encode_stream(b"")]
    (out / "hostile" / "partial_entry.patch").write_bytes(pack(old_length, 0, coded, [20, 0, 0]))
    # A dictionary of 1 GiB for a stream said to decode to as much.
    big = bytearray(encode_stream(b""))
    big[1:5] = (1 << 30).to_bytes(4, "little")
    coded = [encode_stream(entry(0, 1 << 30, 0)), encode_stream(b""), bytes(big)]
    (out / "hostile" / "huge_dictionary.patch").write_bytes(
        pack(old_length, 1 << 30, coded, [24, 0, 1 << 30]))

    # Two releases: a changed program, a changed file in a folder, an unchanged file, a new one.
    releases = out / "releases"
    files = {
        "client.dll": (base[:400_000], edited(rng, base[:400_000], 20)),
        "res/skin.dat": (base[:200_000], edited(rng, base[:200_000], 5)),
        "readme.txt": (b"the same", b"the same"),
        "added.txt": (None, b"new in v2"),
    }
    for relative, versions in files.items():
        for version, data in zip(("v1", "v2"), versions):
            if data is not None:
                (releases / version / relative).parent.mkdir(parents=True, exist_ok=True)
                (releases / version / relative).write_bytes(data)
    publish.publish(releases / "v2", releases / "without", "http://127.0.0.1:1/r", "7z")
    publish.publish(releases / "v2", releases / "with_patches", "http://127.0.0.1:1/r", "7z",
                    previous=[releases / "v1"])
    # A patch that applies to v1's client.dll but makes another file than v2's.
    wrong = bytearray((releases / "v2" / "client.dll").read_bytes())
    wrong[len(wrong) // 2] ^= 0xFF
    (out / "wrong_result.new").write_bytes(bytes(wrong))
    binary_patch.make_patch(releases / "v1" / "client.dll", out / "wrong_result.new",
                            out / "client_wrong_result.patch")


if __name__ == "__main__":
    main(sys.argv[1])

