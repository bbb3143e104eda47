#!/usr/bin/env python3
"""Install runs that fail under real conditions, with engine-run under Wine and the local update
server: a disk too small for a file's unpacked size (a small tmpfs holding the install folder),
a disk that fills up before the commit, a volume too small to start on, links planted in or above the install folder, and a kill of every Windows process part way through a throttled
update (wineserver -k, in a prefix of the test's own). Each must tell the failure once, leave
every client file whole (its old or its new version, never a torn one, and no ".tmp" beside it),
and the next run must complete the install.

  failed_runs_test.py --engine-run <engine-run.exe> --release <unused>

Exits with 77 (skipped) when this machine refuses to mount a tmpfs (not root).
"""
import os
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "publisher"))
sys.path.insert(0, str(REPO / "tools" / "update_server"))
import publish  # noqa: E402
import server  # noqa: E402
from engine_run import (  # noqa: E402
    WINE_RUN, parse_arguments, release_faults, report, windows_path)

SKIPPED = 77
MIB = 1 << 20


def make_release(folder, version, big_bytes=6 * MIB, small_files=0):
    """A client whose files all change between versions: a.txt, big.dat (compresses to almost
    nothing, so that its package passes the space check while its file cannot be unpacked on a
    small disk), tarsklogin.exe and z.txt, and small_files random files of 20 KB."""
    rng = random.Random(version)
    folder.mkdir(parents=True)
    (folder / "a.txt").write_bytes(f"a, version {version}\n".encode() * 100)
    (folder / "big.dat").write_bytes(str(version).encode() * big_bytes)
    (folder / "tarsklogin.exe").write_bytes(bytes(rng.getrandbits(8) for _ in range(30000)))
    (folder / "z.txt").write_bytes(f"z, version {version}\n".encode() * 100)
    for index in range(small_files):
        (folder / f"m{index:02}.bin").write_bytes(bytes(rng.getrandbits(8) for _ in range(20000)))
    return folder


def run_engine(engine_run, base, install, env=None, timeout=300):
    """install: a host path, or a Windows path as text."""
    target = install if isinstance(install, str) else windows_path(install)
    done = subprocess.run([str(WINE_RUN), str(engine_run), base, target,
                           "--answer", "cancel", "--quiet"],
                          capture_output=True, timeout=timeout, env=env)
    return done.returncode, done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")


STAGING = ".quenby-staging"


def leftovers(install):
    """The installer's own files beside the client's (its staging folder is its own)."""
    return sorted(str(p.relative_to(install)) for p in install.rglob("*")
                  if STAGING not in p.relative_to(install).parts
                  and (p.name.endswith(".tmp") or p.name == "temp.pak"))


def torn_files(install, versions):
    """Client files that are none of the given release versions, as lines."""
    faults = []
    for path in sorted(p for p in install.rglob("*") if p.is_file()):
        relative = path.relative_to(install)
        if (relative.name.endswith(".tmp") or relative.name == "temp.pak"
                or STAGING in relative.parts):
            continue
        data = path.read_bytes()
        if not any((v / relative).is_file() and (v / relative).read_bytes() == data
                   for v in versions):
            faults.append(f"{relative}: torn (neither version)")
    return faults


class Tmpfs:
    """A small tmpfs mounted on a folder and given a drive letter of its own in the engine's
    prefix, unmounted when done. Wine shows a folder that is a Unix mount point as a link, which
    the installer refuses on an install folder's path; a drive's root is never refused."""

    def __init__(self, folder, size, engine_run):
        self.folder = folder
        self.drive_link = None
        folder.mkdir(parents=True)
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(folder)],
                              capture_output=True, text=True)
        self.mounted = done.returncode == 0
        self.reason = done.stderr.strip()
        if self.mounted:
            prefix = subprocess.run([str(WINE_RUN), "--prefix", str(engine_run)],
                                    capture_output=True, text=True, check=True).stdout.strip()
            devices = pathlib.Path(prefix) / "dosdevices"
            letter = next(c for c in "qrstuvwxy" if not os.path.lexists(devices / f"{c}:"))
            self.drive_link = devices / f"{letter}:"
            os.symlink(folder, self.drive_link)
            self.drive = f"{letter.upper()}:"

    def resize(self, size):
        subprocess.run(["mount", "-o", f"remount,size={size}", str(self.folder)], check=True)

    def used(self):
        stat = os.statvfs(self.folder)
        return (stat.f_blocks - stat.f_bfree) * stat.f_frsize

    def unmount(self):
        if self.drive_link is not None:
            self.drive_link.unlink()
            self.drive_link = None
        if self.mounted:
            subprocess.run(["umount", "-l", str(self.folder)], check=False)
            self.mounted = False


def expect(faults, condition, text):
    if not condition:
        faults.append(text)


def disk_fills_up(engine_run, work, base, served):
    """An update whose big file cannot be unpacked on the disk: refused by its unpacked size."""
    faults = []
    v1 = make_release(work / "release1", 1)
    v2 = make_release(work / "release2", 2)
    publish.publish(v1, served / "v1", f"{base}/v1", "7z")
    publish.publish(v2, served / "v2", f"{base}/v2", "7z")
    disk = Tmpfs(work / "disk", "32m", engine_run)
    if not disk.mounted:
        return None, disk.reason
    try:
        install = disk.folder / "Quenby"
        on_disk = disk.drive + "\\Quenby"
        code, output = run_engine(engine_run, f"{base}/v1", on_disk)
        if code != 0:
            return [f"installing version 1 ended with {code}:\n{output}"], None
        # Room for every small file and the packages, not for a second copy of big.dat.
        disk.resize(disk.used() + 2 * MIB)
        code, output = run_engine(engine_run, f"{base}/v2", on_disk)
        expect(faults, code == 1, f"the failed run ended with {code}")
        # The archive's own sizes are checked before it is unpacked: the space message, once.
        expect(faults, re.search(r'^not enough space: \d+ bytes needed, \d+ free\n(.|\n)*'
                                 r'failed: file="big.dat" reason="not enough free space', output,
                                 re.M), f"no space failure at big.dat:\n{output}")
        expect(faults, output.count("not enough space:") == 1 and "failure message:" not in output,
               f"the failure was not told once:\n{output}")
        # All or nothing: the files staged before the failure are not in place either.
        for name in ("a.txt", "big.dat", "tarsklogin.exe", "z.txt"):
            expect(faults, (install / name).read_bytes() == (v1 / name).read_bytes(),
                   f"{name} is not the old version after the failed update")
        expect(faults, not leftovers(install), f"left behind: {leftovers(install)}")

        disk.resize("32m")
        code, output = run_engine(engine_run, f"{base}/v2", on_disk)
        expect(faults, code == 0 and "\ncomplete\n" in output,
               f"the run after the disk was freed ended with {code}:\n{output}")
        faults += release_faults(v2, install)
        expect(faults, not leftovers(install), f"left behind: {leftovers(install)}")
        expect(faults, not (install / STAGING).exists(), "a complete run left its staging folder")
    finally:
        disk.unmount()
    return [f"disk fills up: {f}" for f in faults], None


def disk_full_at_the_commit(engine_run, work, base, served, hold_file):
    """Every file of an update staged, then the commit held up by a program holding a client
    file; the disk fills up while the user is asked, so the commit's journal cannot be written:
    the run fails with every old file in place, and the next run commits what was staged without
    fetching anything again."""
    faults = []
    v1 = make_release(work / "release1-commit", 1, big_bytes=MIB)
    v2 = make_release(work / "release2-commit", 2, big_bytes=MIB)
    publish.publish(v1, served / "c1", f"{base}/c1", "7z")
    publish.publish(v2, served / "c2", f"{base}/c2", "7z")
    disk = Tmpfs(work / "commit-disk", "32m", engine_run)
    if not disk.mounted:
        return None, disk.reason
    holder = None
    try:
        install = disk.folder / "Quenby"
        on_disk = disk.drive + "\\Quenby"
        code, output = run_engine(engine_run, f"{base}/c1", on_disk)
        if code != 0:
            return [f"installing version 1 ended with {code}:\n{output}"], None
        holder = subprocess.Popen([str(WINE_RUN), str(hold_file), on_disk + "\\a.txt", "6"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(3)
        engine = subprocess.Popen([str(WINE_RUN), str(engine_run), f"{base}/c2", on_disk,
                                   "--answer", "cancel", "--in-use", "retry", "--quiet"],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        output = ""
        for line in engine.stdout:
            output += line.decode("utf-8", "replace").replace("\r\n", "\n")
            if line.startswith(b"file in use:") and not (disk.folder / "filler").exists():
                with open(disk.folder / "filler", "wb") as filler:
                    try:
                        while True:
                            filler.write(b"\0" * 65536)
                            filler.flush()
                    except OSError:
                        pass
        code = engine.wait(timeout=120)
        reasons = re.findall(r'reason="[^"]*"', output)
        print(f"disk full at the commit: {output.count('file in use:')} in-use questions, "
              f"then {reasons}")
        expect(faults, "file in use:" in output, f"the commit was not held up:\n{output}")
        expect(faults, code == 1 and 'reason="the disk is full"' in output,
               f"no disk-full failure at the commit ({code}):\n{output}")
        for name in ("a.txt", "big.dat", "tarsklogin.exe", "z.txt"):
            expect(faults, (install / name).read_bytes() == (v1 / name).read_bytes(),
                   f"{name} is not the old version after the failed commit")
        (disk.folder / "filler").unlink()
        code, output = run_engine(engine_run, f"{base}/c2", on_disk)
        expect(faults, code == 0 and "\ncomplete\n" in output,
               f"the run after the disk was freed ended with {code}:\n{output}")
        expect(faults, "stage=2" not in output, f"staged files were fetched again:\n{output}")
        faults += release_faults(v2, install)
        expect(faults, not (install / STAGING).exists(), "a complete run left its staging folder")
    finally:
        if holder is not None:
            holder.wait(timeout=60)
        disk.unmount()
    return [f"disk full at the commit: {f}" for f in faults], None


def too_little_space_to_start(engine_run, work, base, served):
    """A release whose packages alone do not fit: refused before anything is downloaded."""
    faults = []
    release = work / "release-large"
    release.mkdir()
    rng = random.Random(3)
    (release / "tarsklogin.exe").write_bytes(bytes(rng.getrandbits(8) for _ in range(700000)))
    publish.publish(release, served / "large", f"{base}/large", "7z")
    disk = Tmpfs(work / "small-disk", "1m", engine_run)
    if not disk.mounted:
        return None, disk.reason
    try:
        install = disk.folder / "Quenby"
        code, output = run_engine(engine_run, f"{base}/large", disk.drive + "\\Quenby")
        expect(faults, code == 1, f"ended with {code}")
        expect(faults, re.search(r"^not enough space: \d+ bytes needed, \d+ free$", output, re.M),
               f"the space was not told:\n{output}")
        expect(faults, "stage=2" not in output, f"something was downloaded:\n{output}")
        expect(faults, "failure message:" not in output,
               "the homepage offer followed the space message")
        expect(faults, not any(install.rglob("*")), "files were written")
    finally:
        disk.unmount()
    return [f"too little space: {f}" for f in faults], None


def killed_part_way(engine_run, work, base, served):
    """Every Windows process killed while a throttled update runs, in the test's own prefix."""
    faults = []
    v1 = make_release(work / "release1-kill", 1, big_bytes=MIB, small_files=8)
    v2 = make_release(work / "release2-kill", 2, big_bytes=MIB, small_files=8)
    publish.publish(v1, served / "k1", f"{base}/k1", "7z")
    # 2000 bytes every 50 ms: about half a second for each small file.
    publish.publish(v2, served / "k2", f"{base}/-/trickle/2000/k2", "7z")
    publish.publish(v2, served / "k2fast", f"{base}/k2fast", "7z")
    prefix = work / "prefix"
    env = dict(os.environ, QUENBY_WINEPREFIX=str(prefix))
    install = work / "killed"
    try:
        code, output = run_engine(engine_run, f"{base}/k1", install, env)
        if code != 0:
            return [f"killed: installing version 1 ended with {code}:\n{output}"], None
        process = subprocess.Popen([str(WINE_RUN), str(engine_run), f"{base}/-/trickle/2000/k2",
                                    windows_path(install), "--answer", "cancel", "--quiet"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        # Killed once three files have arrived: the fourth is then on its way or being placed.
        ends = 0
        for line in process.stdout:
            ends += line.startswith(b"progress stage=2")
            if ends == 3:
                break
        time.sleep(0.2)
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(prefix)), check=False)
        process.communicate(timeout=60)
        faults += torn_files(install, [v1, v2])
        changed = [p.name for p in install.iterdir() if p.is_file() and (v2 / p.name).is_file()
                   and p.read_bytes() == (v2 / p.name).read_bytes()]
        # Killed while files were being staged: the client is the old version, whole.
        expect(faults, not changed, f"the kill left {len(changed)} files new: {changed}")
        staged = sorted(p.name for p in (install / STAGING / "files").rglob("*") if p.is_file())
        expect(faults, staged, "nothing was staged before the kill")
        print(f"killed part way: no file new, {len(staged)} staged, "
              f"left behind {leftovers(install)}")

        code, output = run_engine(engine_run, f"{base}/k2fast", install, env)
        expect(faults, code == 0 and "\ncomplete\n" in output,
               f"the run after the kill ended with {code}:\n{output}")
        faults += release_faults(v2, install)
        expect(faults, not leftovers(install), f"left behind: {leftovers(install)}")
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(env, WINEPREFIX=str(prefix)), check=False)
        state = prefix / ".xvfb"
        if state.exists():
            pid = state.read_text().split()[1]
            subprocess.run(["kill", pid], check=False)
    return [f"killed: {f}" for f in faults], None


def links_are_not_followed(engine_run, work, base, served):
    """Links a local user planted in the install folder (made from the host: Wine's
    CreateSymbolicLinkW makes none): a folder linked out of it fails its file, and nothing is
    written or removed through it. (A link to a file is a reparse point on Windows, refused in a
    package's or an unpacked file's place; Wine shows it as the file it points at, so it is not
    planted here.)"""
    faults = []
    release = work / "release-links"
    (release / "res").mkdir(parents=True)
    (release / "a.txt").write_bytes(b"a, the new version\n" * 50)
    (release / "res" / "r.txt").write_bytes(b"r, the new version\n" * 50)
    publish.publish(release, served / "links", f"{base}/links", "7z")
    cases = [
        ("a linked folder", "res", True, "res\\r.txt"),
    ]
    for index, (what, link, folder, failed_file) in enumerate(cases):
        install = work / f"links{index}" / "Quenby"
        outside = work / f"links{index}" / "outside"
        install.mkdir(parents=True)
        outside.mkdir()
        (outside / "victim.txt").write_bytes(b"not the installer's to touch")
        os.symlink(outside if folder else outside / "victim.txt", install / link)
        code, output = run_engine(engine_run, f"{base}/links", install)
        expect(faults, code == 1, f"{what}: ended with {code}:\n{output}")
        expect(faults, f'failed: file="{failed_file}" reason="a folder on the file\'s path is a '
                       f'link' in output, f"{what}: no failure at {failed_file}:\n{output}")
        expect(faults, [p.name for p in outside.iterdir()] == ["victim.txt"],
               f"{what}: written outside: {sorted(p.name for p in outside.iterdir())}")
        expect(faults, (outside / "victim.txt").read_bytes() == b"not the installer's to touch",
               f"{what}: the file it points at was changed")
        expect(faults, (install / link).is_symlink(), f"{what}: the link was removed")
    # The install folder itself, or a folder above it, linked elsewhere: the run fails naming it
    # before anything is written.
    for index, (what, link, below) in enumerate([
            ("the install folder is a link", "Quenby", None),
            ("a folder above the install folder is a link", "Games", "Quenby")]):
        top = work / f"install-link{index}"
        outside = top / "outside"
        outside.mkdir(parents=True)
        (outside / "victim.txt").write_bytes(b"not the installer's to touch")
        os.symlink(outside, top / link)
        install = top / link / below if below else top / link
        code, output = run_engine(engine_run, f"{base}/links", install)
        expect(faults, code == 1, f"{what}: ended with {code}:\n{output}")
        expect(faults, f'failed: file="{windows_path(top / link)}" reason="the install folder or a '
                       f'folder above it is a junction or symbolic link"' in output,
               f"{what}: the folder was not named:\n{output}")
        expect(faults, "stage=2" not in output, f"{what}: something was downloaded:\n{output}")
        expect(faults, [p.name for p in outside.iterdir()] == ["victim.txt"],
               f"{what}: written through the link: {sorted(p.name for p in outside.iterdir())}")
    return [f"links: {f}" for f in faults], None


def main():
    args = parse_arguments(__doc__)
    work = pathlib.Path(tempfile.mkdtemp(prefix="quenby-failed-runs-"))
    faults = []
    try:
        served = work / "served"
        port, _ = server.start(served, 0, tls=False)
        base = f"http://127.0.0.1:{port}"
        for scenario in (disk_fills_up, too_little_space_to_start,
                         lambda *a: disk_full_at_the_commit(*a, args.hold_file)):
            found, skipped = scenario(args.engine_run, work, base, served)
            if skipped is not None:
                print(f"mounting a tmpfs was refused ({skipped}): skipped")
                return SKIPPED
            faults += found
        for scenario in (links_are_not_followed, killed_part_way):
            found, _ = scenario(args.engine_run, work, base, served)
            faults += found
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return report(faults)


if __name__ == "__main__":
    sys.exit(main())
