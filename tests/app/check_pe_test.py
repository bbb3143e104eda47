#!/usr/bin/env python3
"""Cases of check_pe.py's version and signature checks, on copies of a signed installer altered
the way a download can be (signature stripped, a byte changed, signed again by someone else):
each must fail for its own reason, and the installer as built must pass.

  check_pe_test.py --machine i686|x86_64 --installer <signed installer.exe> --signed-by <ca.pem>
                   --version X.Y.Z --publisher NAME --unversioned <program.exe>
"""
import argparse
import contextlib
import io
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_pe  # noqa: E402

ARGS = None


def osslsigncode(*args):
    subprocess.run(["osslsigncode", *args], check=True, capture_output=True)


class CheckPeTest(unittest.TestCase):
    def setUp(self):
        self.folder = pathlib.Path(tempfile.mkdtemp(prefix="check_pe_test-"))

    def tearDown(self):
        shutil.rmtree(self.folder)

    def run_check(self, path, version=None, publisher=None):
        """The check's FAIL lines for path, against the expected version, publisher and
        authority."""
        output = io.StringIO()
        with contextlib.redirect_stdout(output):
            passed = check_pe.check(str(path), ARGS.machine, True,
                                    version=version or ARGS.version,
                                    publisher=publisher or ARGS.publisher,
                                    signed_by=ARGS.signed_by)
        failures = [line for line in output.getvalue().splitlines() if line.startswith("FAIL")]
        self.assertEqual(passed, not failures)
        return failures

    def copy(self, name):
        path = self.folder / name
        shutil.copyfile(ARGS.installer, path)
        return path

    def unsigned(self, name):
        path = self.folder / name
        osslsigncode("remove-signature", "-in", ARGS.installer, "-out", str(path))
        return path

    def changed_code_byte(self, name):
        """The signed installer with one byte in the middle of its first section flipped."""
        path = self.copy(name)
        data = bytearray(path.read_bytes())
        _, _, _, raw_size, raw_pointer = check_pe.PeFile(bytes(data)).sections[0]
        data[raw_pointer + raw_size // 2] ^= 0x01
        path.write_bytes(data)
        return path

    def signed_by_another(self, name):
        """The installer signed with a self-signed code-signing certificate that names the same
        publisher: what anyone can make."""
        key, certificate = self.folder / "other.key", self.folder / "other.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                        "-keyout", str(key), "-out", str(certificate),
                        "-subj", f"/O={ARGS.publisher}/CN={ARGS.publisher}",
                        "-addext", "extendedKeyUsage=codeSigning"],
                       check=True, capture_output=True)
        unsigned = self.unsigned("unsigned-for-other.exe")
        path = self.folder / name
        osslsigncode("sign", "-certs", str(certificate), "-key", str(key), "-h", "sha256",
                     "-in", str(unsigned), "-out", str(path))
        return path

    def test_signature(self):
        cases = [
            ("the installer as built", self.copy, None),
            ("signature removed", self.unsigned, "No signature"),
            ("one byte of the code changed after signing", self.changed_code_byte, "MISMATCH"),
            ("signed by an authority other than the expected one", self.signed_by_another,
             "signature does not verify"),
        ]
        for description, make, expected in cases:
            with self.subTest(description):
                failures = self.run_check(make(description.replace(" ", "_") + ".exe"))
                if expected is None:
                    self.assertEqual(failures, [])
                else:
                    # Only the signature fails: the program is otherwise the shipped one.
                    self.assertEqual(len(failures), 1, failures)
                    self.assertIn(expected, failures[0])

    def test_version_information(self):
        installer = self.copy("installer.exe")
        cases = [
            ("another version expected", installer, {"version": "9.8.7"},
             ["file_version is", "product_version is", "FileVersion", "ProductVersion"]),
            ("another publisher expected", installer, {"publisher": "Someone Else"},
             ["CompanyName"]),
            ("a program without version information", ARGS.unversioned, {},
             ["no version information"]),
        ]
        for description, path, expected_values, expected_problems in cases:
            with self.subTest(description):
                failures = "\n".join(self.run_check(path, **expected_values))
                for problem in expected_problems:
                    self.assertIn(problem, failures)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("--machine", "--installer", "--signed-by", "--version", "--publisher",
                 "--unversioned"):
        parser.add_argument(name, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
