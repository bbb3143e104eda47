#!/usr/bin/env python3
"""End-to-end tests of installer.exe: the real program under Wine, its window found on the X
display, read through its screen pixels and driven by real pointer and key input
(tools/wizard_driver). The installer keeps the product's update address; its requests reach the
local update server, which serves a published client release, through the proxy that libcurl
takes from the environment.

Run one case:  wizard_e2e_test.py WizardEndToEndTest.test_full_install
Environment: as installer_case.py, and QUENBY_SCREEN_READER_PROBE (screen-reader-probe.exe, for
the case that drives the wizard through Active Accessibility alone).
"""
import os
import subprocess
import time
import unittest

from installer_case import INSTALLER, PROBE, InstallerCase, wd

SCREEN_READER_PROBE = os.environ.get("QUENBY_SCREEN_READER_PROBE", "")

INSTALL_DIR = wd.DEFAULT_INSTALL_DIR
# The release's big file; trickled, its download takes a few seconds.
CLIENT_BYTES = 2_000_000
TRICKLE = "files/QuenbyClient.dll=trickle/32768"
# Holds the download of the first file until the client gives up.
STALL = "files/QuenbyClient.dll=stall/65536"
# The second file of the manifest answers with a server error, every time.
FAIL_SECOND = "files/Uninstall.exe=status/500"
# The update manifest is not there.
MANIFEST_MISSING = "checkupdate/tarskT/shichang/electron/update.xml=status/404"
# Holds the download near the end of the first file: the percentage stays at about half.
STALL_AT_HALF = f"files/QuenbyClient.dll=stall/{CLIENT_BYTES - 10000}"
# The percentage's row on the installing page, and the part of it past the bar's end (x = 565).
PERCENT_ROW = (465, 335, 565, 365)
PAST_THE_BAR = (565, 335, 600, 365)

# Bounds of the waits; generous, for a loaded machine. Each wait ends as soon as its condition
# holds.
START_BOUND = 120
INSTALL_BOUND = 120
# Ending during an install must not wait for the transfer: the stalled transfer would hold it for
# minutes.
QUIT_BOUND = 10


class WizardEndToEndTest(InstallerCase):
    client_bytes = CLIENT_BYTES

    # Helpers.

    def open_wizard(self, server):
        """Starts installer.exe and waits for its window on the configuration page."""
        installer = wd.Installer(INSTALLER, proxy=server.proxy,
                                 log_path=self.out / f"installer{len(self.installers)}.log")
        self.installers.append(installer)
        installer.wait_window(START_BOUND)
        installer.move_away()
        installer.wait_page("configuration", 30)
        return installer

    def start_install(self, installer):
        """Presses install; the page is then the installing one, or already the finish page
        when the transfers, running side by side, were done before the first look."""
        installer.click("btn_install")
        return installer.wait_page(("installing", "finish"), 30)

    def assert_ends_with_code_zero(self, installer, bound, what):
        started = time.monotonic()
        code = installer.wait_exit(bound)
        took = time.monotonic() - started
        print(f"{what}: the installer ended with code {code} after {took:.2f} s")
        # A crash ends with the exception's code, never 0.
        self.assertEqual(0, code, what)
        self.assertTrue(installer.window_gone(), f"{what}: a window of the wizard stays")
        return took

    def installed_files(self):
        return wd.file_digests(wd.windows_to_unix(INSTALL_DIR))

    # Cases.

    def test_opens_centred_on_the_configuration_page_with_the_default_folder(self):
        installer = self.open_wizard(self.serve())
        x, y, width, height = installer.screen.geometry(installer.window)
        screen_width, screen_height = installer.screen.size()
        self.assertEqual((600, 400), (width, height))
        self.assertEqual(((screen_width - 600) // 2, (screen_height - 400) // 2), (x, y),
                         "centred on the screen")
        installer.shot(self.out / "configuration.png")
        # The folder field shows "  默认目录：" and the default folder, as the framework draws
        # the wizard set up with it.
        reference = wd.render_configuration_page(self.out / "preview")
        field = wd.CELLS["edit_dir"]
        self.assertLessEqual(
            wd.difference(installer.pixels("edit_dir"), wd.image_pixels(reference, field)), 2.0,
            "the folder field differs from the default folder's rendering")
        self.assertGreater(wd.dark_pixels(installer.pixels("edit_dir")), 100,
                           "the folder field shows no text")

    def test_at_150_percent_opens_centred_at_900_by_600_and_the_check_box_still_works(self):
        # The display at 150 %; the prefix keeps the value, so it goes back to 96 whatever
        # happens (cleanups run after tearDown has ended the installer).
        self.addCleanup(wd.set_log_pixels, 96)
        wd.set_log_pixels(144)
        server = self.serve()
        installer = wd.Installer(INSTALLER, proxy=server.proxy,
                                 log_path=self.out / "installer0.log")
        self.installers.append(installer)
        x, y, width, height = installer.wait_window(START_BOUND)
        screen_width, screen_height = installer.screen.size()
        self.assertEqual((900, 600), (width, height), "the window is not 1.5 times 600 x 400")
        self.assertEqual(((screen_width - 900) // 2, (screen_height - 600) // 2), (x, y),
                         "centred on the screen")

        # The install button shows as a white pill; the check box's scaled centre toggles it.
        install = wd.scaled_cell(wd.CELLS["btn_install"], 144)
        check = wd.scaled_cell(wd.CELLS["ckbox_agree"], 144)
        self.assertEqual((315, 315, 582, 402), install)
        installer.move_away()
        def pill_shown():
            pixels = installer.pixels(install)
            return pixels if wd.white_share(pixels) > 0.4 else None
        shown = wd.wait_until(pill_shown, 30, "the install button at 150 %")
        installer.pixels((0, 0, 900, 600), self.out / "configuration_150.png")
        check_point = ((check[0] + check[2]) // 2, (check[1] + check[3]) // 2)
        installer.click(check_point)
        wd.wait_until(lambda: wd.white_share(installer.pixels(install)) < 0.02, 10,
                      "the install button to hide")
        installer.pixels((0, 0, 900, 600), self.out / "unticked_150.png")
        installer.click(check_point)
        wd.wait_until(lambda: wd.difference(installer.pixels(install), shown) <= 1.0, 10,
                      "the install button to show again")
        self.assertTrue(installer.running())
        self.assertEqual([], server.requests(), "the check box started something")

    def test_agreement_check_box_hides_and_shows_the_install_button(self):
        installer = self.open_wizard(self.serve())
        shown = installer.pixels("btn_install")
        installer.click("ckbox_agree")
        wd.wait_until(lambda: installer.cell_shows("btn_install", wd.background(
            wd.CELLS["btn_install"]), 1.0), 10, "the install button to hide")
        installer.shot(self.out / "unticked.png")
        # Nothing else happened: the install button's cell is background, the window stays.
        installer.click("btn_install")
        installer.click("ckbox_agree")
        wd.wait_until(lambda: installer.cell_shows("btn_install", shown, 1.0), 10,
                      "the install button to show again")
        self.assertTrue(installer.running())
        self.assertEqual([], self.servers[0].requests(), "a click on the hidden button started")

    def test_full_install(self):
        server = self.serve(TRICKLE)
        installer = self.open_wizard(server)
        installer.shot(self.out / "1_configuration.png")
        self.start_install(installer)

        # The installing page's texts change while the download runs.
        seen = []

        def texts_moved_then_finished():
            if installer.page() == "finish":
                return True
            area = installer.pixels("progress_area")
            if not seen or area != seen[-1]:
                seen.append(area)
                if len(seen) == 2:
                    installer.shot(self.out / "2_installing.png")
            return False
        wd.wait_until(texts_moved_then_finished, INSTALL_BOUND, "the finish page")
        installer.shot(self.out / "3_finish.png")
        # The skin's first texts, then at least two different progress reports.
        self.assertGreaterEqual(len(seen), 3, "the installing page's texts did not change")

        self.assertEqual(wd.file_digests(self.release),
                         {k: v for k, v in self.installed_files().items() if k != "install.dat"})
        report = wd.read_installation(PROBE)
        launcher = INSTALL_DIR + "\\tarsklogin.exe"
        self.assertEqual({
            "uninstall.DisplayIcon": launcher,
            "uninstall.DisplayName": "Quenby",
            "uninstall.InstallLocation": INSTALL_DIR,
            "uninstall.Publisher": "Orvane",
            "uninstall.UninstallString": INSTALL_DIR + "\\Uninstall.exe",
        }, {k: v for k, v in report.items() if k.startswith("uninstall")})
        for shortcut in ("desktop", "start_menu"):
            self.assertEqual("yes", report[f"shortcut.{shortcut}.exists"])
            self.assertEqual(launcher, report[f"shortcut.{shortcut}.target"])
            self.assertEqual(INSTALL_DIR, report[f"shortcut.{shortcut}.working_folder"])
        self.assertEqual("310", report["install_dat.size"])
        self.assertTrue(report["install_dat.first_bytes"].startswith("ff fe"))

        installer.click("btn_exec")
        self.assert_ends_with_code_zero(installer, QUIT_BOUND + 10, "finish button")
        record = wd.windows_to_unix(INSTALL_DIR) / "tarsklogin.started.txt"
        wd.wait_until(record.exists, 30, "the stand-in client's record of its start")
        self.assertIn(f"current_folder={INSTALL_DIR}",
                      record.read_text(encoding="utf-8").splitlines())

    def test_screen_reader_completes_an_install_through_default_actions(self):
        if not SCREEN_READER_PROBE:
            self.skipTest("QUENBY_SCREEN_READER_PROBE is not set")
        server = self.serve(TRICKLE)
        installer = self.open_wizard(server)
        # No pointer and no key: the probe presses the buttons by their default actions.
        done = subprocess.run([str(wd.WINE_RUN), SCREEN_READER_PROBE, str(INSTALL_BOUND)],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, timeout=INSTALL_BOUND + 90)
        output = done.stdout.decode("utf-8", "replace").replace("\r", "")
        (self.out / "probe.txt").write_text(output, encoding="utf-8")
        self.assertEqual(0, done.returncode, output)
        lines = output.splitlines()
        self.assertEqual("done", lines[-1])
        # The pages as read: the agreement box checked and the folder field unavailable, the
        # progress bar's value moving, the finish button.
        self.assertTrue(any(line.startswith("page 0:") and "role=44 " in line
                            and "name=我已阅读并同意" in line and line.endswith("action=Uncheck")
                            for line in lines), output)
        self.assertTrue(any(line.startswith("page 0:") and "role=42 state=0x1 " in line
                            and f"value={INSTALL_DIR}" in line for line in lines), output)
        progress = [line for line in lines if line.startswith("progress ")]
        self.assertGreaterEqual(len(progress), 2, output)
        self.assertTrue(any("name=立即体验" in line for line in lines if line.startswith("page 2:")))

        self.assert_ends_with_code_zero(installer, QUIT_BOUND + 10, "the finish button's action")
        record = wd.windows_to_unix(INSTALL_DIR) / "tarsklogin.started.txt"
        wd.wait_until(record.exists, 30, "the stand-in client's record of its start")
        self.assertEqual(wd.file_digests(self.release),
                         {k: v for k, v in self.installed_files().items()
                          if k not in ("install.dat", record.name)})

    def test_percentage_shows_whole_and_ends_where_the_bar_ends(self):
        server = self.serve(STALL_AT_HALF)
        installer = self.open_wizard(server)
        self.start_install(installer)
        wd.wait_until(lambda: server.package_requests(), 30, "the download")
        # The stalled download leaves the page still, at about half.
        previous = []

        def settled():
            area = installer.pixels("progress_area")
            still = bool(previous) and area == previous[-1] and wd.dark_pixels(
                installer.pixels(PERCENT_ROW)) > 50
            previous.append(area)
            return still
        wd.wait_until(settled, 60, "the percentage to show and stay", interval=0.5)
        installer.shot(self.out / "installing.png")

        # Nothing is drawn past the bar's end: the row shows the skin's background there.
        self.assertLessEqual(
            wd.difference(installer.pixels(PAST_THE_BAR), wd.background(PAST_THE_BAR)), 1.0,
            "the percentage runs past the bar's end")
        # The "%" ends where the bar ends, inside the window.
        left, _, right, _ = PERCENT_ROW
        columns = wd.dark_columns(installer.pixels(PERCENT_ROW), right - left)
        self.assertTrue(columns, "no percentage shown")
        self.assertGreaterEqual(left + max(columns), 555, "the percentage does not reach the "
                                "bar's end")
        installer.key("Escape")
        self.assert_ends_with_code_zero(installer, QUIT_BOUND, "Escape on the installing page")

    def test_second_installer_brings_the_running_wizard_back_and_ends(self):
        # Without a window manager the X display shows no minimising or raising: that the running
        # wizard is restored is seen through the Windows calls (app_install_wnd_test). Here: the
        # second installer shows no window of its own, starts nothing and ends with code 0, and
        # the first one runs on.
        server = self.serve()
        first = self.open_wizard(server)
        second = wd.Installer(INSTALLER, proxy=server.proxy,
                              log_path=self.out / "second_installer.log")
        self.installers.append(second)
        windows = set()

        def second_ended():
            windows.update(first.screen.find_windows(wd.TITLE_PATTERN))
            return not second.running()
        wd.wait_until(second_ended, START_BOUND, "the second installer's end")
        self.assertEqual(0, second.wait_exit(QUIT_BOUND), "the second installer's exit code")
        self.assertEqual({first.window}, windows, "the second installer showed a wizard")
        self.assertTrue(first.running())
        first.wait_page("configuration", 30)
        self.assertEqual([], server.requests(), "an installer started an install")
        # The first one still answers: its install runs to the finish page.
        self.start_install(first)
        first.wait_page("finish", INSTALL_BOUND)
        first.key("Escape")
        self.assert_ends_with_code_zero(first, QUIT_BOUND, "Escape on the finish page")

    def test_folder_dialog_is_modal_to_the_wizard(self):
        installer = self.open_wizard(self.serve())
        installer.click("btn_select_dir")
        dialog = wd.wait_until(lambda: (installer.screen.find_windows(wd.FOLDER_DIALOG_TITLE)
                                        or [None])[0], 30, "the folder dialog")
        installer.shot(self.out / "dialog.png")
        # A second click on the browse button, the dialog moved off it, opens no second dialog.
        installer.screen.xdotool("windowmove", dialog, 0, 0)
        installer.click("btn_select_dir")
        time.sleep(2)
        self.assertEqual([dialog], installer.screen.find_windows(wd.FOLDER_DIALOG_TITLE),
                         "a second folder dialog opened")
        # Escape, pressed in the dialog, closes it; the wizard goes on.
        installer.screen.focus(dialog)
        installer.screen.key("Escape")
        wd.wait_until(lambda: not installer.screen.find_windows(wd.FOLDER_DIALOG_TITLE), 30,
                      "the folder dialog to close on Escape")
        installer.move_away()
        installer.wait_page("configuration", 30)
        installer.key("Escape")
        self.assert_ends_with_code_zero(installer, QUIT_BOUND, "Escape after the dialog")

    def test_escape_and_close_end_the_wizard_on_every_page(self):
        cases = [
            ("configuration", "Escape"),
            ("installing", "Escape"),
            ("installing", "close button"),
            ("installing", "Alt+F4"),
            ("finish", "Escape"),
        ]
        for page, how in cases:
            with self.subTest(page=page, how=how):
                # The installing page is held by a stalled download.
                server = self.serve(STALL) if page == "installing" else self.serve()
                installer = self.open_wizard(server)
                try:
                    if page != "configuration":
                        self.start_install(installer)
                    if page == "installing":
                        wd.wait_until(lambda: server.package_requests(), 30, "the download")
                    if page == "finish":
                        installer.wait_page("finish", INSTALL_BOUND)
                    if how == "close button":
                        installer.click("btn_close")
                    else:
                        installer.key(how.replace("Alt+F4", "alt+F4"))
                    self.assert_ends_with_code_zero(installer, QUIT_BOUND,
                                                    f"{how} on the {page} page")
                finally:
                    # One that failed to end would hold the one-installer lock and end the next
                    # case's installer at its start.
                    installer.kill()
                    server.stop()

    def assert_failure_ends_the_wizard(self, installer, what):
        """The failure message shows once; answered, the wizard ends without its finish page and
        leaves nothing registered."""
        box = installer.wait_failure_message(INSTALL_BOUND)
        installer.screen.capture(*installer.screen.geometry(box),
                                 png_path=self.out / "failure_message.png")
        installer.answer_failure_message(box, "cancel")
        pages = set()

        def ended():
            if installer.running():
                pages.add(installer.page())
                return False
            return True
        wd.wait_until(ended, QUIT_BOUND + 10, f"the wizard to end after {what}")
        self.assertEqual(0, installer.process.returncode, what)
        self.assertNotIn("finish", pages, f"{what}: the finish page showed")
        self.assertEqual([], installer.screen.find_windows(wd.FAILURE_CAPTION),
                         f"{what}: a second failure message")
        report = wd.read_installation(PROBE)
        self.assertEqual("(missing)", report.get("install_dat.size"), f"{what}: install.dat")
        self.assertEqual("missing", report.get("uninstall"), f"{what}: the uninstall entry")
        self.assertEqual("no", report.get("shortcut.desktop.exists"), f"{what}: a shortcut")

    def test_failed_second_file_shows_the_failure_message_and_ends_the_wizard(self):
        server = self.serve(FAIL_SECOND)
        installer = self.open_wizard(server)
        self.start_install(installer)
        self.assert_failure_ends_the_wizard(installer, "a failed download")
        # All or nothing: no client file is in place; the file before the failed one waits in
        # the staging folder for the next run.
        installed = self.installed_files()
        self.assertIn(".quenby-staging/files/QuenbyClient.dll", installed)
        self.assertEqual([], [name for name in installed if not name.startswith(".quenby-staging/")])

    def test_refused_manifest_shows_the_failure_message_and_never_the_finish_page(self):
        server = self.serve(MANIFEST_MISSING)
        installer = self.open_wizard(server)
        # The message box follows at once and may cover the installing page.
        installer.click("btn_install")
        self.assert_failure_ends_the_wizard(installer, "a missing manifest")
        self.assertEqual([], server.package_requests())
        self.assertEqual({}, self.installed_files())


if __name__ == "__main__":
    unittest.main(verbosity=2)
