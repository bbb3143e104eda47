#!/usr/bin/env python3
"""Builds the install-run fixtures with real packaging tools:

  <out>/release/          a small client: QuenbyClient.exe, res/skin.dat
  <out>/published/        the release as the update server serves it (manifest Url "@SERVER@")
  <out>/corrupt.pak       a zip package of QuenbyClient.exe whose stored data fails its CRC
  <out>/traversal.pak     a zip package whose only item climbs out of the destination folder
  <out>/readonly.pak      a zip package of QuenbyClient.exe stored with the read-only attribute
  <out>/folder_item.pak   readonly.pak's item followed by a file item named "userdata"
  <out>/tmp_named.pak     the client as the item of a file named "QuenbyClient.exe.tmp"
  <out>/names/release/    a client whose file and folder names an address must escape (NAMES)
  <out>/names/<format>/   that client published as 7z, zip and cab packages (Url "@SERVER@/<format>")
"""
import os
import pathlib
import random
import shutil
import subprocess
import sys
import zipfile

# Names that an address must escape or that the ANSI code page 936 cannot hold, and names that
# packing tools could take for something else.
NAMES = [
    "read me.txt",
    "a#1.txt",
    "100%.txt",
    "x%20y.txt",
    "c++ & more.txt",
    "安.txt",
    "한국어.txt",
    "日本語の説明.txt",
    "\U0001F600.txt",
    "@notes",
    "-dash.txt",
    "资料 #1/说明.txt",
    "资料 #1/한 글 %.txt",
]
NAMES_FORMATS = ("7z", "zip", "cab")

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here.parents[2] / "tools" / "publisher"))
import publish  # noqa: E402


def main():
    out = pathlib.Path(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    release = out / "release"
    (release / "res").mkdir(parents=True)
    rng = random.Random(7)
    (release / "QuenbyClient.exe").write_bytes(bytes(rng.getrandbits(8) for _ in range(60000)))
    (release / "res" / "skin.dat").write_bytes(b"skin data\n" * 500)
    publish.publish(release, out / "published", "@SERVER@", "7z")

    # Stored, so one flipped byte of file data is a CRC error rather than a format error.
    staged = out / "stage"
    staged.mkdir()
    shutil.copy(release / "QuenbyClient.exe", staged / "QuenbyClient.exe.tmp")
    subprocess.run(["7zz", "a", "-tzip", "-mx0", "-bso0", "-bsp0", str(out / "corrupt.pak"),
                    "QuenbyClient.exe.tmp"], cwd=staged, check=True)
    data = bytearray((out / "corrupt.pak").read_bytes())
    data[len(data) // 2] ^= 0xFF
    (out / "corrupt.pak").write_bytes(bytes(data))
    shutil.rmtree(staged)

    with zipfile.ZipFile(out / "traversal.pak", "w") as z:
        z.writestr("../../escape.dll.tmp", b"must not be written")

    names = out / "names" / "release"
    for index, name in enumerate(NAMES):
        path = names / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(name.encode() + bytes(rng.getrandbits(8) for _ in range(500 * index)))
    for fmt in NAMES_FORMATS:
        publish.publish(names, out / "names" / fmt, f"@SERVER@/{fmt}", fmt)

    client = (release / "QuenbyClient.exe").read_bytes()
    for name, first, extra in (("readonly.pak", "QuenbyClient.exe.tmp", []),
                               ("folder_item.pak", "QuenbyClient.exe.tmp", [("userdata", 0x20)]),
                               ("tmp_named.pak", "QuenbyClient.exe.tmp.tmp", [])):
        with zipfile.ZipFile(out / name, "w") as z:
            for item, attributes in [(first, 0x21)] + extra:
                info = zipfile.ZipInfo(item, (2024, 5, 1, 12, 0, 0))
                info.create_system = 0  # MS-DOS: the low byte holds Windows attributes
                info.external_attr = attributes
                z.writestr(info, client if item.endswith(".tmp") else b"a file item")


if __name__ == "__main__":
    main()
