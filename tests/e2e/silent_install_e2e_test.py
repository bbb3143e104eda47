#!/usr/bin/env python3
"""End-to-end tests of installer.exe run by an administrator: "/S" under Wine, against the local
update server (reached through the proxy libcurl takes from the environment, as in
wizard_e2e_test.py). No window may show, nothing may wait for an answer, the exit code tells the
outcome and the log tells what happened.

Run one case:  silent_install_e2e_test.py SilentInstallTest.test_exit_codes
Environment: as installer_case.py.
"""
import pathlib
import shutil
import subprocess
import time
import unittest

from installer_case import INSTALLER, PROBE, InstallerCase, wd

# A folder with a space, given as the browse button would be: "velmora" goes below it.
CHOSEN_FOLDER = "C:\\Silent Target"
CHOSEN_INSTALL_DIR = CHOSEN_FOLDER + "\\velmora"
FAIL_SECOND = "files/Uninstall.exe=status/500"
MANIFEST_MISSING = "checkupdate/tarskT/shichang/electron/update.xml=status/404"
# What the environment's proxy carries for the run whose log must not show it.
PROXY_PASSWORD = "pr0xy-Secret"

RUN_BOUND = 180


class SilentRun:
    """installer.exe with arguments under Wine, watched for any window of its own while it runs:
    every visible top-level window that was not on the display before it started counts."""

    def __init__(self, args, proxy=None, log_path=None):
        env = wd.proxy_environment(proxy)
        self.before = set(self._visible_windows())
        self.windows = set()
        self.output = open(log_path, "wb") if log_path else subprocess.DEVNULL
        self.process = subprocess.Popen([str(wd.WINE_RUN), INSTALLER, *args], env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.output,
                                        stderr=self.output)

    @staticmethod
    def _visible_windows():
        display = wd.wine_display()
        if not display:
            return []
        found = wd.Screen(display).xdotool("search", "--onlyvisible", "--name", ".*",
                                           check=False)
        return [int(w) for w in found.split()]

    def wait_exit(self, timeout=RUN_BOUND):
        """The exit code, watching the display until the process ends."""
        deadline = time.monotonic() + timeout
        try:
            while self.process.poll() is None:
                if time.monotonic() > deadline:
                    raise wd.DriverError(f"the installer still runs {timeout} s later")
                self.windows.update(set(self._visible_windows()) - self.before)
                time.sleep(0.1)
            return self.process.returncode
        finally:
            self.kill()

    def running(self):
        return self.process.poll() is None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.output is not subprocess.DEVNULL:
            self.output.close()
            self.output = subprocess.DEVNULL


def windows_path(path):
    """A Unix path as the Windows program sees it (Wine's Z: drive)."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def run_logs():
    """The run logs of the prefix's log folders, oldest first."""
    return sorted(wd.log_files("Quenby-install-*.log"), key=lambda p: p.stat().st_mtime)


class SilentInstallTest(InstallerCase):
    def reset(self):
        super().reset()
        wd.reset_installation(PROBE, CHOSEN_INSTALL_DIR)
        shutil.rmtree(wd.windows_to_unix(CHOSEN_FOLDER), ignore_errors=True)

    def run_silent(self, *args, proxy=None):
        run = SilentRun(args, proxy, self.out / f"installer{len(self.installers)}.out")
        self.installers.append(run)
        return run

    def assert_no_window(self, run, what):
        self.assertEqual(set(), run.windows, f"{what}: the installer showed a window")

    def assert_log_holds(self, log, *expected):
        for text in expected:
            self.assertIn(text, log, f"the log lacks {text!r}")

    def assert_client_not_started(self, install_dir):
        record = wd.windows_to_unix(install_dir) / "tarsklogin.started.txt"
        # A started client writes its record at once; give it a moment all the same.
        time.sleep(2)
        self.assertFalse(record.exists(), "the silent install started the client")

    # Cases.

    def test_installs_into_the_chosen_folder_without_a_window_and_registers_it(self):
        server = self.serve()
        log_path = self.out / "run.log"
        run = self.run_silent("/s", f"/D={CHOSEN_FOLDER}", f"/LOG={windows_path(log_path)}",
                              proxy=server.proxy)
        self.assertEqual(0, run.wait_exit(), "exit code of a complete run")
        self.assert_no_window(run, "a complete run")

        self.assertEqual(wd.file_digests(self.release),
                         {k: v for k, v in wd.file_digests(
                             wd.windows_to_unix(CHOSEN_INSTALL_DIR)).items()
                          if k != "install.dat"})
        self.assertFalse(wd.windows_to_unix(wd.DEFAULT_INSTALL_DIR).exists(),
                         "the default folder was used")
        report = wd.read_installation(PROBE, CHOSEN_INSTALL_DIR)
        self.assertEqual(CHOSEN_INSTALL_DIR, report.get("uninstall.InstallLocation"))
        self.assertEqual("yes", report.get("shortcut.desktop.exists"))
        self.assertEqual("310", report.get("install_dat.size"))
        self.assert_client_not_started(CHOSEN_INSTALL_DIR)

        log = log_path.read_text(encoding="utf-8-sig")
        print(log)
        self.assert_log_holds(
            log, "Quenby installer ", "command line: ", f"/D={CHOSEN_FOLDER}", "Windows ",
            f"silent install into {CHOSEN_INSTALL_DIR}",
            f"manifest {wd.PRODUCT_UPDATE_BASE}/checkupdate/tarskT/shichang/electron/update.xml",
            "manifest signature: ", "file QuenbyClient.dll: ", "file tarsklogin.exe: ",
            f"server {wd.PRODUCT_UPDATE_BASE}:80: direct (through the environment's proxy "
            f"{server.proxy}",
            "run complete", "commit: 4 files put in place in", "install.dat written", "exit code 0")

    def test_exit_codes(self):
        cases = [
            # (what, server rules, arguments, exit code, log line)
            ("a missing manifest", (MANIFEST_MISSING,), ("/S",), 1,
             "run failed: the update manifest could not be fetched (libcurl code 22)"),
            ("an unknown option", (), ("/S", "/Q"), 2, "bad command line: Unknown option"),
            ("a relative folder", (), ("/S", "/D=Programs"), 2,
             "bad command line: /D= needs an absolute folder"),
        ]
        for what, rules, args, code, line in cases:
            with self.subTest(what):
                server = self.serve(*rules)
                log_path = self.out / f"{code}-{len(self.installers)}.log"
                run = self.run_silent(*args, f"/LOG={windows_path(log_path)}",
                                      proxy=server.proxy)
                started = time.monotonic()
                self.assertEqual(code, run.wait_exit(), what)
                print(f"{what}: exit code {code} after {time.monotonic() - started:.1f} s")
                self.assert_no_window(run, what)
                self.assertEqual([], server.package_requests(), what)
                # A run that kept nothing for the next one leaves no folder it made.
                self.assertFalse(wd.windows_to_unix(wd.DEFAULT_INSTALL_DIR).exists(),
                                 f"{what}: the install folder was left behind")
                self.assertEqual("missing", wd.read_installation(PROBE).get("uninstall"), what)
                log = log_path.read_text(encoding="utf-8-sig")
                self.assert_log_holds(log, line, f"exit code {code}")

    def test_failed_file_is_named_in_the_log_without_the_proxy_password(self):
        server = self.serve(FAIL_SECOND)
        host_port = server.proxy.split("://", 1)[1]
        proxy = f"http://quenby:{PROXY_PASSWORD}@{host_port}"
        started = time.time()
        run = self.run_silent("/S", proxy=proxy)
        self.assertEqual(1, run.wait_exit(), "exit code of a failed run")
        self.assert_no_window(run, "a failed run")

        # The default log: the newest, written by this run into the folder only administrators
        # write (the process is elevated under Wine), not the user's temporary folder.
        logs = [p for p in run_logs() if p.stat().st_mtime >= started - 1]
        self.assertTrue(logs, "no log in the installer's log folder")
        self.assertIn("ProgramData/Quenby/logs", logs[-1].as_posix())
        log = logs[-1].read_text(encoding="utf-8-sig")
        print(log)
        self.assert_log_holds(
            log, "file QuenbyClient.dll: ", "staged",
            "file Uninstall.exe: ", "the package could not be downloaded",
            "file QuenbyClient.dll: staged for the next run",
            "HTTP status 500", "file tarsklogin.exe: not reached",
            "run failed at Uninstall.exe: the package could not be downloaded (libcurl code 22)",
            f"through the environment's proxy http://quenby@{host_port}",
            "run not complete: nothing registered", "exit code 1")
        self.assertNotIn(PROXY_PASSWORD, log)
        self.assertEqual("missing", wd.read_installation(PROBE).get("uninstall"))
        # All or nothing: no client file in place, the first file staged for the next run.
        installed = wd.file_digests(wd.windows_to_unix(wd.DEFAULT_INSTALL_DIR))
        self.assertIn(".quenby-staging/files/QuenbyClient.dll", installed)
        self.assertEqual([], [name for name in installed if not name.startswith(".quenby-staging/")])

    def test_waits_for_the_running_wizard_instead_of_bringing_it_forward(self):
        server = self.serve()
        # An argument the installer does not know, as a launcher may pass one: the wizard starts
        # all the same.
        wizard = wd.Installer(INSTALLER, proxy=server.proxy, log_path=self.out / "wizard.log",
                              args=("--from-launcher",))
        try:
            wizard.wait_window(RUN_BOUND)
            wizard.move_away()
            wizard.wait_page("configuration", 30)
            run = self.run_silent("/S", proxy=server.proxy)
            # It waits: no request, and the wizard stays.
            time.sleep(5)
            self.assertTrue(run.running(), "the silent installer did not wait")
            self.assertEqual([], server.requests())
            self.assertTrue(wizard.running())
            # The wizard ends; the silent one installs into the default folder.
            wizard.key("Escape")
            self.assertEqual(0, wizard.wait_exit(30))
            self.assertEqual(0, run.wait_exit(), "exit code after the wait")
        finally:
            wizard.kill()
        self.assertEqual(wd.file_digests(self.release),
                         {k: v for k, v in wd.file_digests(
                             wd.windows_to_unix(wd.DEFAULT_INSTALL_DIR)).items()
                          if k != "install.dat"})
        self.assertEqual(wd.DEFAULT_INSTALL_DIR,
                         wd.read_installation(PROBE).get("uninstall.InstallLocation"))
        self.assert_client_not_started(wd.DEFAULT_INSTALL_DIR)


if __name__ == "__main__":
    unittest.main(verbosity=2)
