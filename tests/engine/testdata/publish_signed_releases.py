#!/usr/bin/env python3
"""Publishes, for the signed-manifest tests, one small client release under the served folder in
the shapes the tests need, each naming the running server in its manifest:

  <root>/release/    the client: Quenby.exe and res/skin.dat
  <root>/signed/     published and signed with the project's test key
  <root>/tampered/   the same, its packages' Url going through the server's /-/tamper/ prefix
  <root>/foreign/    signed with a key that no build pins
  <root>/unsigned/   published without a signature
  <root>/nodigest/   signed, but the entry of res/skin.dat carries no SHA256
  <root>/older/      signed an hour before /signed (a replayed older release)
  <root>/undated/    signed with a trusted comment that names no signing time
  <root>/future/     signed three days ahead of the clock

  publish_signed_releases.py <server address> <served folder>
"""
import pathlib
import random
import re
import shutil
import subprocess
import sys
import time

REPO = pathlib.Path(__file__).resolve().parents[3]
sys.path.insert(0, str(REPO / "tools" / "publisher"))
import publish  # noqa: E402

TEST_KEY = REPO / "tools" / "publisher" / "test_key" / "quenby-test.key"
FOREIGN_KEY = pathlib.Path(__file__).resolve().parent / "minisign" / "foreign.key"


def main():
    server, root = sys.argv[1], pathlib.Path(sys.argv[2])
    release = root / "release"
    for folder in ("release", "signed", "tampered", "foreign", "unsigned", "nodigest", "older",
                   "undated", "future"):
        shutil.rmtree(root / folder, ignore_errors=True)
    (release / "res").mkdir(parents=True)
    rng = random.Random(11)
    (release / "Quenby.exe").write_bytes(rng.randbytes(40000))
    (release / "res" / "skin.dat").write_bytes(b"signed skin\n" * 300)

    publish.publish(release, root / "signed", f"{server}/signed", "7z", sign_key=TEST_KEY)
    publish.publish(release, root / "tampered", f"{server}/-/tamper/tampered", "7z",
                    sign_key=TEST_KEY)
    publish.publish(release, root / "foreign", f"{server}/foreign", "7z", sign_key=FOREIGN_KEY)
    publish.publish(release, root / "unsigned", f"{server}/unsigned", "7z")

    publish.publish(release, root / "nodigest", f"{server}/nodigest", "7z")
    manifest = root / "nodigest" / publish.MANIFEST_PATH
    text = manifest.read_text(encoding="utf-8")
    text = re.sub(r"(<Name>skin\.dat</Name>.*?)<SHA256>[0-9a-f]+</SHA256>", r"\1", text)
    manifest.write_text(text, encoding="utf-8")
    publish.sign(manifest, TEST_KEY)

    now = time.time()
    for folder, signed_at in (("older", now - 3600), ("future", now + 3 * 86400)):
        publish.publish(release, root / folder, f"{server}/{folder}", "7z")
        publish.sign(root / folder / publish.MANIFEST_PATH, TEST_KEY, signed_at=signed_at)
    publish.publish(release, root / "undated", f"{server}/undated", "7z")
    manifest = root / "undated" / publish.MANIFEST_PATH
    subprocess.run(["minisign", "-S", "-s", str(TEST_KEY), "-m", str(manifest),
                    "-t", "file:update.xml"],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
