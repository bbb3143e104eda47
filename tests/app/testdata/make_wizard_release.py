#!/usr/bin/env python3
"""Builds the client release that the wizard tests install, published as the update server serves
it (manifest Url "@SERVER@"):

  make_wizard_release.py <out> <folder of the stand-in client programs>

  <out>/release/     tarsklogin.exe and Uninstall.exe (the stand-ins), QuenbyClient.dll (200 KB,
                     the first file of the manifest), res/skin.dat
  <out>/published/   files/… and checkupdate/tarskT/shichang/electron/update.xml
"""
import pathlib
import random
import shutil
import sys

here = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(here.parents[2] / "tools" / "publisher"))
import publish  # noqa: E402


def main():
    out, stand_ins = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    shutil.rmtree(out, ignore_errors=True)
    release = out / "release"
    (release / "res").mkdir(parents=True)
    for program in ("tarsklogin.exe", "Uninstall.exe"):
        shutil.copy(stand_ins / program, release / program)
    rng = random.Random(12)
    (release / "QuenbyClient.dll").write_bytes(bytes(rng.getrandbits(8) for _ in range(200000)))
    (release / "res" / "skin.dat").write_bytes(b"client skin\n" * 300)
    publish.publish(release, out / "published", "@SERVER@", "7z")


if __name__ == "__main__":
    main()
