#!/usr/bin/env python3
"""Configures the project with the pinned-key options a publisher could give, and checks what
configuring says: two keys separated by ';' (a rotation) configure, and the generated header
holds both as one list; a list that holds no key, something that is no minisign public key, and a
build without a key (of any type, with any generator) are refused, unless an unsigned build is
asked for by name. A build pinning the repository's test key is marked as such. And
build.sh --shipped-only refuses to build without the publisher's keys.

  manifest_keys_configure_test.py <toolchain file> <dependency prefix>
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parents[2]
TEST_KEY = (REPO / "tools/publisher/test_key/quenby-test.pub").read_text().splitlines()[-1]
FOREIGN_KEY = (REPO / "tests/engine/testdata/minisign/foreign.pub").read_text().splitlines()[-1]
HEADER = "engine/generated/engine/manifest/manifest_keys.h"
MARKS = "app/build_marks.h"


def configure(build, toolchain, prefix, build_type, generator, *options):
    done = subprocess.run(["cmake", "-S", str(REPO), "-B", str(build), "-G", generator,
                           f"-DCMAKE_TOOLCHAIN_FILE={toolchain}", f"-DCMAKE_PREFIX_PATH={prefix}",
                           f"-DCMAKE_BUILD_TYPE={build_type}", "-DBUILD_TESTING=OFF", *options],
                          capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


def configure_cases(toolchain, prefix):
    faults = []
    # (what, build type, generator, keys and more options, configures, message, pins the test key)
    cases = [
        ("a list of blanks and separators", "Release", "Ninja", [" ; ;"], False, "holds no key",
         None),
        ("an unsigned build asked for by name", "Release", "Ninja",
         ["", "-DQUENBY_ALLOW_UNSIGNED_MANIFEST=ON"], True, None, False),
        ("two keys for a rotation", "Release", "Ninja", [f"{TEST_KEY};{FOREIGN_KEY}"], True, None,
         True),
        ("the publisher's key", "Release", "Ninja", [FOREIGN_KEY], True, None, False),
        # Cut short, a secret key's line, and a key of another scheme ("Eb"): each named.
        ("a key cut short", "Release", "Ninja", [f"{FOREIGN_KEY};{TEST_KEY[:-4]}"], False,
         f'"{TEST_KEY[:-4]}" is no minisign public key', None),
        ("a key that is not Ed25519", "Release", "Ninja", ["RWI" + TEST_KEY[3:]], False,
         f'"RWI{TEST_KEY[3:]}" is no minisign public key', None),
    ]
    # No key: refused for every build type and with a multi-config generator.
    for build_type in ("Release", "RelWithDebInfo", "MinSizeRel", "Debug", ""):
        cases.append((f"no key, build type '{build_type}'", build_type, "Ninja", [""], False,
                      "needs QUENBY_MANIFEST_KEYS", None))
    cases.append(("no key, multi-config generator", "", "Ninja Multi-Config", [""], False,
                  "needs QUENBY_MANIFEST_KEYS", None))
    for what, build_type, generator, (keys, *more), succeeds, message, test_key in cases:
        build = pathlib.Path(tempfile.mkdtemp(prefix="quenby-keys-"))
        try:
            code, output = configure(build, toolchain, prefix, build_type, generator,
                                     f"-DQUENBY_MANIFEST_KEYS={keys}", *more)
            if (code == 0) != succeeds:
                faults.append(f"{what}: configuring ended with {code}:\n{output[-1500:]}")
                continue
            # CMake wraps its messages: compared with every run of blanks as one space.
            if message and message not in " ".join(output.split()):
                faults.append(f"{what}: the refusal does not say why:\n{output[-1500:]}")
            if not succeeds:
                continue
            header = build / HEADER
            if keys and f'R"quenby({keys})quenby"' not in header.read_text():
                faults.append(f"{what}: the header does not hold the list:\n{header.read_text()}")
            marks = (build / MARKS).read_text()
            if f"kPinsTestKey = {'true' if test_key else 'false'};" not in marks:
                faults.append(f"{what}: the test key's mark is wrong:\n{marks}")
        finally:
            shutil.rmtree(build, ignore_errors=True)
    return faults


def shipped_only_without_keys():
    """build.sh --shipped-only without QUENBY_MANIFEST_KEYS: refused before anything is built."""
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="quenby-shipped-"))
    try:
        env = {k: v for k, v in os.environ.items() if k != "QUENBY_MANIFEST_KEYS"}
        env.update(QUENBY_SKIP_SETUP="1", QUENBY_BUILD_DIR=str(scratch / "build"))
        done = subprocess.run(["bash", str(REPO / "scripts/build.sh"), "--shipped-only"], env=env,
                              capture_output=True, text=True, timeout=120)
        output = done.stdout + done.stderr
        if done.returncode == 0 or "QUENBY_MANIFEST_KEYS must name" not in output:
            return [f"--shipped-only without keys ended with {done.returncode}:\n{output[-1500:]}"]
        if (scratch / "build").exists():
            return ["--shipped-only without keys configured a build all the same"]
        return []
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    toolchain, prefix = sys.argv[1], sys.argv[2]
    faults = configure_cases(toolchain, prefix) + shipped_only_without_keys()
    for fault in faults:
        print(fault)
    print("ok" if not faults else f"{len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
