"""What every end-to-end case of installer.exe starts from: a client release published for the
local update server, no installation left by an earlier case, and every program and server the
case started ended when it ends.

Environment: QUENBY_INSTALLER, QUENBY_INSTALL_PROBE (install-probe.exe), QUENBY_STAND_IN_DIR (the
built stand-in client programs) and QUENBY_E2E_OUTPUT (screenshots and logs of each case).
"""
import os
import pathlib
import shutil
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "wizard_driver"))
import wizard_driver as wd  # noqa: E402

INSTALLER = os.environ.get("QUENBY_INSTALLER", "")
PROBE = os.environ.get("QUENBY_INSTALL_PROBE", "")
STAND_INS = os.environ.get("QUENBY_STAND_IN_DIR", "")
OUTPUT = pathlib.Path(os.environ.get("QUENBY_E2E_OUTPUT", "e2e-output"))


class InstallerCase(unittest.TestCase):
    # The size of the release's big file, QuenbyClient.dll.
    client_bytes = 300_000

    @classmethod
    def setUpClass(cls):
        for name, value in (("QUENBY_INSTALLER", INSTALLER), ("QUENBY_INSTALL_PROBE", PROBE),
                            ("QUENBY_STAND_IN_DIR", STAND_INS)):
            if not value:
                raise unittest.SkipTest(f"{name} is not set")

    def setUp(self):
        self.out = OUTPUT / self.id().rsplit(".", 1)[-1]
        shutil.rmtree(self.out, ignore_errors=True)
        self.out.mkdir(parents=True)
        self.release = wd.make_release(self.out / "release", STAND_INS, self.client_bytes)
        self.served = self.out / "served"
        wd.publish(self.release, self.served, wd.PRODUCT_UPDATE_BASE)
        # Installer runs (anything with kill()) and update servers, ended by tearDown.
        self.installers = []
        self.servers = []
        self.reset()

    def tearDown(self):
        for installer in self.installers:
            installer.kill()
        for server in self.servers:
            server.stop()
        self.reset()

    def reset(self):
        """Removes what an installation leaves: files, uninstall entry, shortcuts."""
        wd.reset_installation(PROBE)

    def serve(self, *rules):
        server = wd.UpdateServer(self.served, rules, self.out / f"server{len(self.servers)}.log")
        self.servers.append(server)
        return server
