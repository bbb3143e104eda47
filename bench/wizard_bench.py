#!/usr/bin/env python3
"""Figures of the installer as a user meets it, under Wine on the X display (Xvfb when there is
none), printed; nothing here passes or fails:

  1. the wizard's install against engine-run's on the same release from the local server: the
     UI's overhead as a ratio of the medians (goal at most 1.05), and the installer's processor
     time over the install against engine-run's (goal at most 1.10);
  2. start to first paint: from starting installer.exe to its window showing the painted
     configuration page;
  3. the shipped installer.exe's size (goal at most 2.0 MB) and whether it carries symbols or
     debug sections.

  wizard_bench.py [--build <build folder>] [--runs N]

Both installs go through the local update server as a proxy for the product's address (the
installer of the test build keeps it), each into an empty default install folder.
"""
import argparse
import pathlib
import os
import random
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tools" / "wizard_driver"))
import wizard_driver as wd  # noqa: E402

INSTALL_DIR = wd.DEFAULT_INSTALL_DIR
BIG_FILES, BIG_BYTES = 8, 16 << 20
SMALL_FILES, SMALL_BYTES = 1024, 32 << 10


class WineKeptUp:
    """Keeps Wine's server and system processes up while the benchmark runs, as the test run
    does (scripts/keep-wine-up.sh): a program started just as an idle wineserver shuts down may
    fail at its start, and each measured program would otherwise pay the server's start."""

    def __init__(self, build):
        self.process = subprocess.Popen(
            ["bash", str(REPO / "scripts" / "keep-wine-up.sh"), str(build)],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)

    def __enter__(self):
        if self.process.stdout.readline().strip() != "up":
            self.process.wait()
            raise wd.DriverError("Wine's keep-alive did not come up")
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()


def make_release(folder):
    rng = random.Random(5)
    (folder / "data").mkdir(parents=True)
    for i in range(BIG_FILES):
        (folder / f"big{i}.bin").write_bytes(rng.randbytes(BIG_BYTES))
    for i in range(SMALL_FILES):
        (folder / "data" / f"small{i:04}.bin").write_bytes(rng.randbytes(SMALL_BYTES))


def clear_install_folder():
    shutil.rmtree(wd.windows_to_unix(INSTALL_DIR), ignore_errors=True)


def wine_env(proxy):
    env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
    env["http_proxy"] = proxy
    return env


def process_cpu(pid):
    """User and system seconds a running process has used."""
    fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def time_engine_run(engine_run, proxy):
    """(wall seconds, processor seconds) of one engine-run install."""
    clear_install_folder()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.monotonic()
    done = subprocess.run([str(wd.WINE_RUN), str(engine_run), wd.PRODUCT_UPDATE_BASE, INSTALL_DIR,
                           "--quiet", "--answer", "cancel"], env=wine_env(proxy),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    took = time.monotonic() - started
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"engine-run failed with exit code {done.returncode}")
    return took, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def time_wine_start(program):
    """A Wine program's start and end with nothing to do (engine-run's usage message)."""
    started = time.monotonic()
    subprocess.run([str(wd.WINE_RUN), str(program)], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.monotonic() - started


def time_wizard_install(installer_exe, proxy, logs):
    """(seconds from the click on install to the end of the engine's run, seconds to the finish
    page on the screen, the installer's processor seconds over the run). The run's end is when install.dat is written, the completion's first
    step; the registration (shortcuts, uninstall entry) and the page switch follow it."""
    clear_install_folder()
    installer = wd.Installer(installer_exe, proxy=proxy, log_path=logs / "installer.log")
    try:
        installer.wait_window(120)
        installer.move_away()
        installer.wait_page("configuration", 60)
        cpu_before = process_cpu(installer.process.pid)
        clicked_at = time.time()
        started = time.monotonic()
        installer.click("btn_install")
        # Watching the screen during the run would take the machine's time from the install:
        # only the record's appearance is polled until then.
        record = wd.windows_to_unix(INSTALL_DIR) / "install.dat"
        wd.wait_until(record.exists, 600, "install.dat", interval=0.1)
        cpu = process_cpu(installer.process.pid) - cpu_before
        installer.wait_page("finish", 60)
        to_finish = time.monotonic() - started
        to_end = record.stat().st_mtime - clicked_at
        installer.key("Escape")
        installer.wait_exit(30)
        return to_end, to_finish, cpu
    finally:
        installer.kill()


def time_first_paint(installer_exe, proxy, logs):
    """(seconds to the window, seconds to the painted configuration page)."""
    installer = wd.Installer(installer_exe, proxy=proxy, log_path=logs / "installer.log")
    try:
        installer.wait_window(120)
        mapped = time.monotonic() - installer.started
        wd.wait_until(lambda: installer.page() == "configuration", 60, "the first paint",
                      interval=0.01)
        painted = time.monotonic() - installer.started
        installer.key("Escape")
        installer.wait_exit(30)
        return mapped, painted
    finally:
        installer.kill()


def sections(exe, arch):
    tools = f"{arch}-w64-mingw32"
    out = subprocess.run([f"{tools}-objdump", "-h", str(exe)], stdout=subprocess.PIPE,
                         text=True).stdout
    names = [line.split()[1] for line in out.splitlines()
             if line.strip() and line.split()[0].isdigit()]
    symbols = subprocess.run([f"{tools}-nm", str(exe)], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True).stdout
    return names, "no symbols" in symbols


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=pathlib.Path,
                        help="the build to measure (default: build/<the architecture this "
                             "machine runs>)")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    if "QUENBY_ARCH" not in os.environ:
        os.environ["QUENBY_ARCH"] = subprocess.run(
            ["bash", str(REPO / "scripts" / "arch.sh")], stdout=subprocess.PIPE, text=True,
            check=True).stdout.strip()
    args.build = args.build or REPO / "build" / os.environ["QUENBY_ARCH"]
    installer_exe = args.build / "app" / "installer.exe"
    engine_run = args.build / "tools" / "engine_run" / "engine-run.exe"
    stand_ins = args.build / "tools" / "stand_in_client"
    probe = args.build / "tools" / "install_probe" / "install-probe.exe"

    with tempfile.TemporaryDirectory(prefix="quenby-wizard-bench-") as scratch, \
            WineKeptUp(args.build):
        scratch = pathlib.Path(scratch)
        release, served = scratch / "release", scratch / "served"
        make_release(release)
        wd.publish(release, served, wd.PRODUCT_UPDATE_BASE)
        server = wd.UpdateServer(served, log_path=scratch / "requests.log")
        total = BIG_FILES * BIG_BYTES + SMALL_FILES * SMALL_BYTES
        try:
            wd.reset_installation(probe)
            floor = statistics.median(time_wine_start(engine_run) for _ in range(3))
            engine, wizard, finish, engine_cpu, wizard_cpu = [], [], [], [], []
            for run in range(args.runs):
                took, cpu = time_engine_run(engine_run, server.proxy)
                engine.append(took - floor)
                engine_cpu.append(cpu)
                to_end, to_finish, cpu = time_wizard_install(installer_exe, server.proxy, scratch)
                wizard.append(to_end)
                finish.append(to_finish)
                wizard_cpu.append(cpu)
                print(f"run {run + 1}: engine-run {engine[-1]:.2f} s ({engine_cpu[-1]:.2f} s of "
                      f"processor), wizard {to_end:.2f} s ({cpu:.2f} s of processor; finish page "
                      f"after {to_finish:.2f} s)", flush=True)
            paints = [time_first_paint(installer_exe, server.proxy, scratch) for _ in range(5)]
        finally:
            server.stop()
            clear_install_folder()
            wd.reset_installation(probe)

    # The fastest run of each: other work on the machine only ever adds time.
    e, w, f = min(engine), min(wizard), min(finish)
    print(f"\nrelease: {BIG_FILES} x {BIG_BYTES >> 20} MiB and {SMALL_FILES} x "
          f"{SMALL_BYTES >> 10} KiB ({total / (1 << 20):.0f} MiB), fastest of {args.runs} runs")
    print(f"install with engine-run:    {e:6.2f} s (its wall time less a Wine program's start and "
          f"end, {floor:.2f} s); processor {statistics.median(engine_cpu):.2f} s (median)")
    print(f"install through the wizard: {w:6.2f} s (from the click on install to the end of the "
          f"engine's run; to the finish page on the screen, registration included, {f:.2f} s); "
          f"processor {statistics.median(wizard_cpu):.2f} s (median)")
    median_wizard, median_engine = statistics.median(wizard), statistics.median(engine)
    print(f"UI overhead, medians of {args.runs}: {median_wizard:.2f} s / {median_engine:.2f} s = "
          f"{median_wizard / median_engine:.3f} (goal at most 1.05); fastest {w / e:.3f}")
    cpu_wizard, cpu_engine = statistics.median(wizard_cpu), statistics.median(engine_cpu)
    print(f"processor time over the install, medians: {cpu_wizard:.2f} s / {cpu_engine:.2f} s = "
          f"{cpu_wizard / cpu_engine:.3f} (goal at most 1.10)")
    mapped = statistics.median(p[0] for p in paints)
    painted = statistics.median(p[1] for p in paints)
    print(f"start to first paint: {painted:.2f} s (window on the screen {mapped:.2f} s; "
          f"a Wine program with nothing to do {floor:.2f} s), median of {len(paints)}")
    size = installer_exe.stat().st_size
    names, stripped = sections(installer_exe, os.environ["QUENBY_ARCH"])
    debug = [n for n in names if n.startswith((".debug", ".zdebug"))]
    print(f"installer.exe ({installer_exe}): {size} bytes, {size / 1e6:.2f} MB "
          f"(goal at most 2.0 MB); sections {' '.join(names)}; "
          f"{'no symbols' if stripped else 'symbols present'}, "
          f"{'no debug sections' if not debug else 'debug sections: ' + ' '.join(debug)}")


if __name__ == "__main__":
    main()
