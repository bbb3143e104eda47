#!/usr/bin/env python3
"""Cases of check_pe.py's manifest check: the installer's own manifest passes, and a manifest
that lacks one of the DPI or compatibility declarations fails for that reason.

  check_pe_manifest_test.py <installer.manifest>
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_pe  # noqa: E402

MANIFEST = None


class ManifestProblemsTest(unittest.TestCase):
    def test_the_installer_manifest_passes(self):
        self.assertEqual([], check_pe.manifest_problems(MANIFEST))

    def test_each_missing_declaration_is_named(self):
        cases = [
            ("no dpiAwareness", "dpiAwareness xmlns", "otherSetting xmlns", "dpiAwareness"),
            ("per-monitor v1 only", "PerMonitorV2, PerMonitor", "PerMonitor", "dpiAwareness"),
            ("system awareness only", "true/pm", "true", "dpiAware is"),
            ("no Windows 7", "35138b9a-5d96-4fbd-8e2d-a2440225f93a", "0", "Windows 7"),
            ("no Windows 10 and 11", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a", "0",
             "Windows 10 and 11"),
        ]
        for description, old, new, named in cases:
            with self.subTest(description):
                self.assertIn(old, MANIFEST)
                altered = MANIFEST.replace(old, new).replace("</dpiAwareness>" if
                                                             new == "otherSetting xmlns" else
                                                             "\0", "</otherSetting>")
                problems = check_pe.manifest_problems(altered)
                self.assertEqual(1, len(problems), problems)
                self.assertIn(named, problems[0])


if __name__ == "__main__":
    with open(sys.argv.pop(1), encoding="utf-8") as manifest:
        MANIFEST = manifest.read()
    unittest.main()
