#!/usr/bin/env python3
"""Cases of publish.py that the install tests do not reach: names it must refuse, and the
patches it lists."""
import hashlib
import pathlib
import random
import shutil
import sys
import tempfile
import unittest
import urllib.parse
import xml.etree.ElementTree as ElementTree

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import publish  # noqa: E402

# The installer's test reads the same cases: what one refuses, the other must refuse too.
SHARED_NAME_CASES = HERE.parents[1] / "tests" / "engine" / "testdata" / "windows_names.xml"


def snapshot(folder):
    return {p.relative_to(folder): p.read_bytes() for p in folder.rglob("*") if p.is_file()}


def published_once(scratch):
    """A release of one file published into scratch: its folder, the output and what is there."""
    release, output = scratch / "release", scratch / "output"
    release.mkdir()
    (release / "a.txt").write_bytes(b"first release")
    publish.publish(release, output, "http://127.0.0.1:1", "7z")
    return release, output, snapshot(output)


class PublishTest(unittest.TestCase):
    def test_refuses_names_windows_cannot_hold_and_leaves_the_published_release_whole(self):
        with tempfile.TemporaryDirectory() as scratch:
            release, output, published = published_once(pathlib.Path(scratch))
            (release / "a.txt").write_bytes(b"second release")
            for name in ["why?.txt", "a:b", "pipe|", "star*", 'quote".txt', "less<",
                         "tab\there", "dot.", "space ", "CON", "nul.txt", "com1.log",
                         "folder./inside.txt"]:
                with self.subTest(name=name):
                    bad = release / name
                    bad.parent.mkdir(parents=True, exist_ok=True)
                    bad.write_bytes(b"x")
                    with self.assertRaises(SystemExit) as refused:
                        publish.publish(release, output, "http://127.0.0.1:1", "7z")
                    self.assertIn("Windows cannot hold it", str(refused.exception))
                    self.assertIn(repr(pathlib.PurePath(name).parts[0]), str(refused.exception))
                    self.assertEqual(published, snapshot(output))
                    bad.unlink()
                    if bad.parent != release:
                        bad.parent.rmdir()

    def test_refuses_what_the_installer_refuses(self):
        cases = ElementTree.parse(SHARED_NAME_CASES).getroot().findall("Name")
        self.assertTrue(cases)
        for case in cases:
            name, kind = case.get("text"), case.get("kind")
            with self.subTest(name=name):
                fault = publish.windows_name_fault(name)
                if kind == "ordinary":
                    self.assertIsNone(fault)
                else:
                    self.assertIsNotNone(fault)

    def test_refuses_paths_that_differ_only_in_letter_case(self):
        with tempfile.TemporaryDirectory() as scratch:
            scratch = pathlib.Path(scratch)
            release, output = scratch / "release", scratch / "output"
            for first, second in [("a.txt", "A.TXT"), ("res/Ä.dll", "RES/ä.dll")]:
                with self.subTest(first=first, second=second):
                    for name in (first, second):
                        (release / name).parent.mkdir(parents=True, exist_ok=True)
                        (release / name).write_bytes(b"x")
                    with self.assertRaises(SystemExit) as refused:
                        publish.publish(release, output, "http://127.0.0.1:1", "7z")
                    self.assertIn("differ only in letter case", str(refused.exception))
                    self.assertFalse(output.exists())
                    shutil.rmtree(release)
            # One character upper-cased to two is another name on NTFS.
            (release / "straße").mkdir(parents=True)
            (release / "straße" / "a").write_bytes(b"1")
            (release / "STRASSE").mkdir()
            (release / "STRASSE" / "a").write_bytes(b"2")
            self.assertEqual(2, len(publish.publish(release, output, "http://127.0.0.1:1", "7z")))

    def test_accepts_names_that_only_look_unusual(self):
        for name in ["read me.txt", "a#1.txt", "100%.txt", "c++ & more", "安.txt", "\U0001F600",
                     ".hidden", "CONSOLE.txt", "-dash", "@notes", "x..y"]:
            with self.subTest(name=name):
                self.assertIsNone(publish.windows_name_fault(name))

    def test_refuses_a_release_holding_the_staging_folder(self):
        with tempfile.TemporaryDirectory() as scratch:
            release, output, published = published_once(pathlib.Path(scratch))
            (release / ".quenby-staging").mkdir()
            (release / ".quenby-staging" / "a.txt").write_bytes(b"half written")
            with self.assertRaises(SystemExit) as refused:
                publish.publish(release, output, "http://127.0.0.1:1", "7z")
            self.assertIn("staging", str(refused.exception))
            self.assertEqual(published, snapshot(output))
            # Deeper down it is an ordinary folder name.
            shutil.rmtree(release / ".quenby-staging")
            (release / "res" / ".quenby-staging").mkdir(parents=True)
            (release / "res" / ".quenby-staging" / "b").write_bytes(b"x")
            self.assertEqual(2, len(publish.publish(release, output, "http://127.0.0.1:1", "7z")))


def text_like(rng, length):
    words = [bytes(rng.choices(b"abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 9)))
             for _ in range(300)]
    return b" ".join(rng.choice(words) for _ in range(length // 6))[:length]


class PatchListingTest(unittest.TestCase):
    """Which files get patches from the earlier releases, and how the manifest lists them."""

    def setUp(self):
        self.scratch = pathlib.Path(tempfile.mkdtemp())
        rng = random.Random(7)
        self.base = "http://127.0.0.1:1/r2"
        v0, v1, v2 = (self.scratch / name for name in ("v0", "v1", "v2"))
        text = text_like(rng, 200_000)
        noise = rng.randbytes(20_000)
        files = {
            # Changed in a few places: worth a patch from each release it differs from.
            "sub dir/a b#.bin": [text[:150_000], text, text[:5000] + b"x" + text[5000:]],
            # The same file as before: nothing to patch.
            "same.txt": [b"same", b"same", b"same"],
            # Noise rewritten: a patch would be as large as the package.
            "noise.bin": [noise, noise, rng.randbytes(20_000)],
            # New in this release.
            "new.txt": [None, None, b"new"],
        }
        for relative, versions in files.items():
            for folder, data in zip((v0, v1, v2), versions):
                if data is not None:
                    (folder / relative).parent.mkdir(parents=True, exist_ok=True)
                    (folder / relative).write_bytes(data)
        self.v0, self.v1, self.v2 = v0, v1, v2
        self.output = self.scratch / "out"

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def manifest_patches(self):
        root = ElementTree.parse(self.output / publish.MANIFEST_PATH).getroot()
        return {f.findtext("Dir") + f.findtext("Name"): f.findall("Patch") for f in root}

    def test_lists_a_patch_from_each_differing_earlier_file_that_saves_enough(self):
        entries = publish.publish(self.v2, self.output, self.base, "7z",
                                  previous=[self.v1, self.v0, self.v1])
        patches = self.manifest_patches()
        self.assertEqual({"sub dir\\a b#.bin": 2, "same.txt": 0, "noise.bin": 0, "new.txt": 0},
                         {name: len(listed) for name, listed in patches.items()})
        package_length = {e["Dir"] + e["Name"]: int(e["Length"]) for e in entries}
        for patch, earlier in zip(patches["sub dir\\a b#.bin"], (self.v1, self.v0)):
            old = (earlier / "sub dir" / "a b#.bin").read_bytes()
            self.assertEqual(hashlib.md5(old).hexdigest(), patch.get("FromMD5"))
            self.assertTrue(patch.get("Url").startswith(self.base + "/patches/sub%20dir/a%20b%23.bin."))
            served = self.output / urllib.parse.unquote(patch.get("Url")[len(self.base) + 1:])
            data = served.read_bytes()
            self.assertEqual(str(len(data)), patch.get("Length"))
            self.assertEqual(hashlib.sha256(data).hexdigest(), patch.get("SHA256"))
            self.assertLess(len(data), publish.PATCH_WORTH * package_length["sub dir\\a b#.bin"])
        # The patch that would not save is not left on the server either.
        self.assertEqual(2, len(list((self.output / "patches").rglob("*.patch"))))

    def test_keeps_every_field_of_the_manifest_without_patches(self):
        without = self.scratch / "without"
        publish.publish(self.v2, without, self.base, "7z")
        publish.publish(self.v2, self.output, self.base, "7z", previous=[self.v1])
        plain = ElementTree.parse(without / publish.MANIFEST_PATH).getroot()
        patched = ElementTree.parse(self.output / publish.MANIFEST_PATH).getroot()
        for entry in patched:
            for patch in entry.findall("Patch"):
                entry.remove(patch)
        self.assertEqual(ElementTree.tostring(plain), ElementTree.tostring(patched))

    def test_refuses_an_earlier_release_that_is_no_folder(self):
        with self.assertRaises(SystemExit) as refused:
            publish.publish(self.v2, self.output, self.base, "7z", previous=[self.scratch / "v9"])
        self.assertIn("no folder", str(refused.exception))
        self.assertFalse(self.output.exists())


if __name__ == "__main__":
    unittest.main()
