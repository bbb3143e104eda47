#!/usr/bin/env python3
"""Cases of publish.py that the install tests do not reach: names it must refuse."""
import pathlib
import shutil
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import publish  # noqa: E402

# The installer's test reads the same cases: what one refuses, the other must refuse too.
SHARED_NAME_CASES = HERE.parents[1] / "tests" / "engine" / "testdata" / "windows_names.xml"


def snapshot(folder):
    return {p.relative_to(folder): p.read_bytes() for p in folder.rglob("*") if p.is_file()}


class PublishTest(unittest.TestCase):
    def test_refuses_names_windows_cannot_hold_and_leaves_the_published_release_whole(self):
        with tempfile.TemporaryDirectory() as scratch:
            scratch = pathlib.Path(scratch)
            release, output = scratch / "release", scratch / "output"
            release.mkdir()
            (release / "a.txt").write_bytes(b"first release")
            publish.publish(release, output, "http://127.0.0.1:1", "7z")
            published = snapshot(output)
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


if __name__ == "__main__":
    unittest.main()
