#!/usr/bin/env python3
"""The demo's install (scripts/demo.sh): publishes a sample client release on the local update
server, installs it with installer.exe through its wizard, prints what was installed, and runs
the installer a second time over the installation, which downloads nothing.

  demo_install.py --installer <installer.exe> --probe <install-probe.exe>
                  --stand-ins <folder> --port <port> --work <folder> --shots <folder> [--person]

The installer must have been built with http://127.0.0.1:<port> as its update server. Without
--person the wizard is clicked through automatically (on whatever display Wine uses, Xvfb when
there is none); with it, a person clicks, and the script watches. Either way a screenshot of the
window's screen pixels is taken on each page. Exit code 0 when the installation matches the
release and the second run downloaded nothing.
"""
import argparse
import pathlib
import random
import shutil
import sys
import time

import wizard_driver as wd

INSTALL_DIR = wd.DEFAULT_INSTALL_DIR
# The big file is sent at about 5 MB/s, so that the installing page can be watched.
TRICKLE = "files/QuenbyClient.dll=trickle/262144"
# A person gets half an hour for each page.
PERSON_BOUND = 1800
AUTO_BOUND = 180


def make_sample_release(folder, stand_ins):
    """Several files, one in a sub-folder, one larger than 10 MB, and the stand-in launcher and
    uninstaller, so that the installed client can be started and removed for real."""
    shutil.rmtree(folder, ignore_errors=True)
    (folder / "res").mkdir(parents=True)
    rng = random.Random(2024)
    (folder / "QuenbyClient.dll").write_bytes(rng.randbytes(12_000_000))
    (folder / "Quenby.exe").write_bytes(rng.randbytes(400_000))
    (folder / "res" / "skin.dat").write_bytes(b"Quenby client skin\n" * 2000)
    for program in ("tarsklogin.exe", "Uninstall.exe"):
        shutil.copy(stand_ins / program, folder / program)
    return folder


class Demo:
    def __init__(self, args):
        self.args = args
        self.person = args.person
        self.bound = PERSON_BOUND if args.person else AUTO_BOUND
        self.shots = args.shots
        self.failures = []

    def check(self, ok, what):
        if not ok:
            self.failures.append(what)
        return "ok" if ok else "DIFFERS"

    def run_wizard(self, run, log_name, first_shot):
        """One run of the installer through its wizard; screenshots named from first_shot on."""
        installer = wd.Installer(self.args.installer, log_path=self.args.work / log_name)
        try:
            installer.wait_window(120)
            if not self.person:
                installer.move_away()
            installer.wait_page("configuration", 60)
            shot = first_shot
            installer.shot(self.shots / f"{shot}_{run}_configuration.png")
            if self.person:
                print("   the wizard is open: leave the agreement ticked and press 立即安装")
            else:
                installer.click("btn_install")
            # With nothing to download the installing page may pass too fast to be seen.
            def left_configuration():
                page = installer.page()
                return page if page in ("installing", "finish") else None
            page = wd.wait_until(left_configuration, self.bound, "the installing page")
            if page == "installing":
                # The installing page once its texts have moved a few times: progress under way.
                seen = []

                def progress_shown():
                    area = installer.pixels("progress_area")
                    if not seen or area != seen[-1]:
                        seen.append(area)
                    return len(seen) >= 4 or installer.page() != "installing"
                wd.wait_until(progress_shown, self.bound, "the installing page's progress")
                path = self.shots / f"{shot + 1}_{run}_installing.png"
                installer.shot(path)
                if wd.page_shown(wd.image_pixels(path, wd.CELLS["btn_install"])) != "installing":
                    path.unlink()
            installer.wait_page("finish", self.bound)
            if not self.person:
                installer.move_away()
                installer.wait_page("finish", 10)
            installer.shot(self.shots / f"{shot + 2}_{run}_finish.png")
            if self.person:
                print("   finished: press 立即体验 to start the client")
            else:
                installer.click("btn_exec")
            code = installer.wait_exit(self.bound)
            print(f"   the installer ended with exit code {code}")
            self.check(code == 0, f"{run}: exit code {code}")
        finally:
            installer.kill()

    def report_files(self, release):
        installed = wd.file_digests(wd.windows_to_unix(INSTALL_DIR))
        expected = wd.file_digests(release)
        print("== installed files (md5), compared with the release:")
        for name in sorted(set(installed) | set(expected)):
            have, want = installed.get(name), expected.get(name)
            if want is None:
                verdict = "(written by the installer)" if name in ("install.dat",) else \
                    "(written by the client)" if name == "tarsklogin.started.txt" else "(extra)"
            else:
                verdict = self.check(have == want, f"file {name}")
            size = (wd.windows_to_unix(INSTALL_DIR) / name).stat().st_size if have else 0
            print(f"   {name:24} {size:9d}  {have or 'missing':32}  {verdict}")

    def report_registration(self):
        report = wd.read_installation(self.args.probe)
        launcher = INSTALL_DIR + "\\tarsklogin.exe"
        print("== uninstall entry HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
              "velmora:")
        expected = {"DisplayIcon": launcher, "DisplayName": "Quenby",
                    "InstallLocation": INSTALL_DIR, "Publisher": "Orvane",
                    "UninstallString": INSTALL_DIR + "\\Uninstall.exe"}
        for name, want in expected.items():
            have = report.get(f"uninstall.{name}", "missing")
            print(f"   {name:16} {have}  {self.check(have == want, 'uninstall ' + name)}")
        print("== shortcuts:")
        for label in ("desktop", "start_menu"):
            prefix = f"shortcut.{label}"
            target = report.get(f"{prefix}.target", "missing")
            print(f"   {report.get(prefix + '.path')}\n"
                  f"      target {target}, working folder {report.get(prefix + '.working_folder')}"
                  f"  {self.check(target == launcher, label + ' shortcut')}")
        size = report.get("install_dat.size")
        first = report.get("install_dat.first_bytes", "")
        print(f"== install.dat: {size} bytes, first bytes {first}  "
              f"{self.check(size == '310' and first.startswith('ff fe'), 'install.dat')}")

    def report_client_start(self):
        record = wd.windows_to_unix(INSTALL_DIR) / "tarsklogin.started.txt"
        try:
            wd.wait_until(record.exists, 30, "the stand-in client's record")
        except wd.DriverError:
            print("== the client did not record a start")
            self.failures.append("client start")
            return
        print("== the stand-in client's record of its start (tarsklogin.started.txt):")
        for line in record.read_text(encoding="utf-8").splitlines():
            print(f"   {line}")

    def main(self):
        args = self.args
        args.work.mkdir(parents=True, exist_ok=True)
        shutil.rmtree(self.shots, ignore_errors=True)
        self.shots.mkdir(parents=True)
        release = make_sample_release(args.work / "release", args.stand_ins)
        served = args.work / "served"
        base = f"http://127.0.0.1:{args.port}"
        print(f"== publishing the sample client on {base}, signed with the project's test key")
        wd.publish(release, served, base, wd.TEST_SIGNING_KEY)
        for name, digest in wd.file_digests(release).items():
            size = (release / name).stat().st_size
            print(f"   {name:24} {size:9d}  {digest}")
        server = wd.UpdateServer(served, [TRICKLE], args.work / "requests.log", args.port)
        try:
            wd.reset_installation(args.probe)
            how = "a person clicks through" if self.person else "clicked through automatically"
            print(f"== first run: installer.exe installs into {INSTALL_DIR} ({how})")
            started = time.monotonic()
            self.run_wizard("first", "installer-first.log", 1)
            downloads = server.package_requests()
            print(f"   {len(downloads)} packages downloaded, "
                  f"{time.monotonic() - started:.1f} s from start to exit")
            self.report_files(release)
            self.report_registration()
            self.report_client_start()

            print("== second run over the installation (clicked through automatically)")
            self.person = False
            self.bound = AUTO_BOUND
            before = len(server.package_requests())
            self.run_wizard("second", "installer-second.log", 4)
            again = server.package_requests()[before:]
            print(f"   {len(again)} packages downloaded: "
                  f"{self.check(not again, 'second run downloads')}")
        finally:
            server.stop()
        print(f"== screenshots of the wizard's window: {self.shots}")
        for shot in sorted(self.shots.iterdir()):
            print(f"   {shot.name}")
        if self.failures:
            print("== FAILED: " + ", ".join(self.failures))
            return 1
        print("== the installation matches the release; the second run downloaded nothing")
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installer", required=True, type=pathlib.Path)
    parser.add_argument("--probe", required=True, type=pathlib.Path)
    parser.add_argument("--stand-ins", required=True, type=pathlib.Path)
    parser.add_argument("--port", required=True, type=int)
    parser.add_argument("--work", required=True, type=pathlib.Path)
    parser.add_argument("--shots", required=True, type=pathlib.Path)
    parser.add_argument("--person", action="store_true")
    try:
        return Demo(parser.parse_args()).main()
    except wd.DriverError as error:
        print(f"== FAILED: {error}")
        return 1


if __name__ == "__main__":
    sys.exit(main())
