#!/usr/bin/env python3
"""Configures the project with the pinned-key options a publisher could give, and checks what
configuring says: two keys separated by ';' (a rotation) configure, and the generated header
holds both as one list; a list that holds no key and a release build without a key are refused,
unless an unsigned build is asked for by name.

  manifest_keys_configure_test.py <toolchain file> <dependency prefix>
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parents[2]
TEST_KEY = (REPO / "tools/publisher/test_key/quenby-test.pub").read_text().splitlines()[-1]
FOREIGN_KEY = (REPO / "tests/engine/testdata/minisign/foreign.pub").read_text().splitlines()[-1]
HEADER = "engine/generated/engine/manifest_keys.h"


def configure(build, toolchain, prefix, *options):
    done = subprocess.run(["cmake", "-S", str(REPO), "-B", str(build), "-G", "Ninja",
                           f"-DCMAKE_TOOLCHAIN_FILE={toolchain}", f"-DCMAKE_PREFIX_PATH={prefix}",
                           "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF", *options],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def main():
    toolchain, prefix = sys.argv[1], sys.argv[2]
    faults = []
    cases = [
        ("a list of blanks and separators", [" ; ;"], False, "holds no key"),
        ("a release build without a key", [""], False, "needs QUENBY_MANIFEST_KEYS"),
        ("an unsigned build asked for by name", ["", "-DQUENBY_ALLOW_UNSIGNED_MANIFEST=ON"], True,
         None),
        ("two keys for a rotation", [f"{TEST_KEY};{FOREIGN_KEY}"], True, None),
    ]
    for what, (keys, *more), succeeds, message in cases:
        build = pathlib.Path(tempfile.mkdtemp(prefix="quenby-keys-"))
        try:
            code, output = configure(build, toolchain, prefix, f"-DQUENBY_MANIFEST_KEYS={keys}",
                                     *more)
            if (code == 0) != succeeds:
                faults.append(f"{what}: configuring ended with {code}:\n{output[-1500:]}")
                continue
            if message and message not in output:
                faults.append(f"{what}: the refusal does not say why:\n{output[-1500:]}")
            header = build / HEADER
            if succeeds and keys and f'R"quenby({keys})quenby"' not in header.read_text():
                faults.append(f"{what}: the header does not hold the list:\n{header.read_text()}")
        finally:
            shutil.rmtree(build, ignore_errors=True)
    for fault in faults:
        print(fault)
    print("ok" if not faults else f"{len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
