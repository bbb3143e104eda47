#!/usr/bin/env python3
"""Builds the install-run fixtures with real packaging tools:

  <out>/release/          a small client: QuenbyClient.exe, res/skin.dat
  <out>/published/        the release as the update server serves it (manifest Url "@SERVER@")
  <out>/corrupt.pak       a zip package of QuenbyClient.exe whose stored data fails its CRC
  <out>/traversal.pak     a zip package whose only item climbs out of the destination folder
"""
import os
import pathlib
import random
import shutil
import subprocess
import sys
import zipfile

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


if __name__ == "__main__":
    main()
