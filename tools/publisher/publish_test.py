#!/usr/bin/env python3
"""Cases of publish.py that the install tests do not reach: names it must refuse."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import publish  # noqa: E402


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

    def test_accepts_names_that_only_look_unusual(self):
        for name in ["read me.txt", "a#1.txt", "100%.txt", "c++ & more", "安.txt", "\U0001F600",
                     ".hidden", "CONSOLE.txt", "-dash", "@notes", "x..y"]:
            with self.subTest(name=name):
                self.assertIsNone(publish.windows_name_fault(name))


if __name__ == "__main__":
    unittest.main()
