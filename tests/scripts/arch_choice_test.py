#!/usr/bin/env python3
"""The choice of the architecture to test, and Wine that cannot start: scripts/arch.sh picks
what this machine runs and refuses a choice it cannot run, and scripts/wine-run.sh fails at once,
saying why, for a program whose Wine cannot start here, and again for the next one (no lock is
left behind). Every call is bounded: a hang fails the test instead of holding up the run.

  arch_choice_test.py [<an i686 program.exe>]
"""
import os
import pathlib
import subprocess
import sys
import unittest

REPO = pathlib.Path(__file__).resolve().parents[2]
ARCH = REPO / "scripts" / "arch.sh"
WINE_RUN = REPO / "scripts" / "wine-run.sh"
BOUND = 60
I686_PROGRAM = sys.argv[1] if len(sys.argv) > 1 else None


def run(command, **env):
    """(exit code, standard output, standard error) of command with env added."""
    done = subprocess.run([str(c) for c in command], capture_output=True, text=True,
                          timeout=BOUND, stdin=subprocess.DEVNULL,
                          env={**os.environ, **env})
    return done.returncode, done.stdout.strip(), done.stderr


def runs_32_bit():
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True,
                              timeout=BOUND).returncode == 0
    except OSError:
        return False


class ArchChoiceTest(unittest.TestCase):
    def test_the_machine_s_choice(self):
        env = {k: v for k, v in os.environ.items() if k != "QUENBY_ARCH"}
        done = subprocess.run(["bash", str(ARCH), "--say"], capture_output=True, text=True,
                              timeout=BOUND, env=env)
        self.assertEqual(0, done.returncode, done.stderr)
        expected = "i686" if runs_32_bit() else "x86_64"
        self.assertEqual(expected, done.stdout.strip())
        self.assertIn(f"the {expected} build", done.stderr)

    def test_choices(self):
        cases = [
            ("x86_64", 0, ""),
            ("i686", 0 if runs_32_bit() else 1, "" if runs_32_bit() else "cannot run"),
            ("arm64", 1, "must be i686 or x86_64"),
        ]
        for choice, code, message in cases:
            with self.subTest(choice=choice):
                status, out, err = run(["bash", ARCH], QUENBY_ARCH=choice)
                self.assertEqual(code, status, err)
                if code == 0:
                    self.assertEqual(choice, out)
                self.assertIn(message, err)

    @unittest.skipIf(runs_32_bit(), "this machine runs 32-bit programs")
    @unittest.skipIf(not I686_PROGRAM, "no i686 program given")
    def test_a_32_bit_program_fails_at_once_every_time(self):
        for attempt in range(2):
            with self.subTest(attempt=attempt):
                status, _, err = run([WINE_RUN, I686_PROGRAM])
                self.assertNotEqual(0, status)
                self.assertIn("cannot start on this machine", err)
                self.assertIn("Exec format error", err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
