"""Runs engine-run under Wine and compares what it installed with the release, for the install
tests written in Python."""
import argparse
import pathlib
import subprocess

REPO = pathlib.Path(__file__).resolve().parents[2]
WINE_RUN = REPO / "scripts" / "wine-run.sh"


def parse_arguments(description):
    """The install test's command line: --engine-run <engine-run.exe> --release <folder>."""
    parser = argparse.ArgumentParser(description=description,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine-run", required=True, type=pathlib.Path)
    parser.add_argument("--release", required=True, type=pathlib.Path)
    parser.add_argument("--hold-file", type=pathlib.Path,
                        help="a program that holds a file open (hold-file <path> [seconds])")
    return parser.parse_args()


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def run_engine(engine_run, base, install):
    """Installs from base into install, answering a failure message with Cancel; the exit code
    and the output with Unix line ends."""
    done = subprocess.run([str(WINE_RUN), str(engine_run), base, windows_path(install),
                           "--answer", "cancel", "--quiet"],
                          capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")


def release_faults(release, install):
    """Each release file missing from install or different there, and each installed file the
    release does not have, as lines; none when install holds the release exactly."""
    expected = {p.relative_to(release): p.read_bytes() for p in release.rglob("*") if p.is_file()}
    installed = {p.relative_to(install) for p in install.rglob("*") if p.is_file()}
    faults = []
    for relative, data in expected.items():
        if relative not in installed:
            faults.append(f"{relative}: not installed")
        elif (install / relative).read_bytes() != data:
            faults.append(f"{relative}: differs from the release")
    for relative in installed - expected.keys():
        faults.append(f"{relative}: installed but not in the release")
    return faults


def report(faults):
    """Prints each fault and a last line, "ok" or how many; the test's exit code."""
    for fault in faults:
        print(fault)
    print("ok" if not faults else f"{len(faults)} faults")
    return 1 if faults else 0
