"""Drives the installer's wizard as a user does: the real installer.exe under Wine, found on the X
display by its title, seen through its screen pixels (ImageMagick's import) and given real
pointer and key input (xdotool).

Used by the end-to-end tests (tests/e2e/) and by the demo (scripts/demo.sh, through
tools/wizard_driver/demo_install.py). Every wait polls a condition with a bound; none sleeps a
fixed time.

The installer built for the tests keeps the product's update address. A run given a proxy
(Installer(..., proxy=...)) sends its requests through the local update server, which answers
them as the update server would: libcurl takes the proxy from the environment.
"""
import hashlib
import os
import pathlib
import random
import shutil
import subprocess
import sys
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
WINE_RUN = REPO / "scripts" / "wine-run.sh"
SKIN = REPO / "resources" / "install_online"

TITLE = "Quenby安装程序"
# The wizard's title as a pattern: a build that accepts unsigned manifests says so in it.
TITLE_PATTERN = TITLE + r"( \((unsigned|test key)\))?"
FAILURE_CAPTION = "友情提示"
FOLDER_DIALOG_TITLE = "请选择安装目录"
WINDOW_SIZE = (600, 400)
# The product's update address, as the test build of the installer has it.
PRODUCT_UPDATE_BASE = "http://update.quenby.example.com"
# The default install folder in the project's Wine prefix (for a 64-bit installer in a 64-bit
# prefix as for a 32-bit one in a 32-bit prefix).
DEFAULT_INSTALL_DIR = "C:\\Program Files\\Cobalind\\velmora"

# Cells of the skin's controls in window coordinates (left, top, right, bottom), as the skin's
# markup lays them out at 600 x 400.
CELLS = {
    "btn_install": (210, 210, 388, 268),
    "btn_exec": (210, 210, 388, 268),
    "ckbox_agree": (10, 330, 130, 353),
    "edit_dir": (10, 353, 530, 383),
    "btn_select_dir": (531, 353, 591, 383),
    "btn_min": (558, 5, 570, 17),
    "btn_close": (580, 5, 592, 17),
    # The installing page's texts and bar: file line, percentage, bar and size line.
    "progress_area": (0, 320, 600, 400),
}
# A point of the window that no control reacts to.
NEUTRAL_POINT = (300, 120)


class DriverError(AssertionError):
    """A condition the driver waited for did not come."""


def wait_until(condition, timeout, what, interval=0.05):
    """Polls condition until it returns something true; returns that. Raises DriverError after
    timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise DriverError(f"{what}: not within {timeout} s")
        time.sleep(interval)


def wine_prefix():
    """The prefix the Wine wrapper runs the installer in: that of QUENBY_ARCH's programs (i686
    unless it says x86_64), or QUENBY_WINEPREFIX."""
    arch = os.environ.get("QUENBY_ARCH", "i686")
    done = subprocess.run([str(WINE_RUN), "--prefix", arch], stdout=subprocess.PIPE, text=True,
                          check=True)
    return pathlib.Path(done.stdout.strip())


def log_files(pattern, prefix=None):
    """The installer's log files matching pattern: in the folder an elevated installer keeps them
    in (app/protected_log_folder.h; every program under Wine runs elevated), and in the temporary
    folders of the prefix's users, where one that is not elevated keeps them."""
    root = prefix or wine_prefix()
    return sorted([*root.glob(f"drive_c/ProgramData/Quenby/logs/{pattern}"),
                   *root.glob(f"drive_c/users/*/Temp/{pattern}")])


def start_failures(prefix=None):
    """The lines the installer recorded of starts that failed (app/start_failure.h), from the
    prefix's log folders; oldest first."""
    lines = []
    for log in log_files("Quenby-install-start.log", prefix):
        lines += log.read_text(encoding="utf-8", errors="replace").splitlines()
    return lines


def proxy_environment(proxy=None):
    """This process's environment without any proxy setting, but for proxy as http_proxy."""
    env = dict(os.environ)
    for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                 "ALL_PROXY", "no_proxy", "NO_PROXY"):
        env.pop(name, None)
    if proxy:
        env["http_proxy"] = proxy
    return env


def windows_to_unix(path):
    """A C: path of the project's Wine prefix as a Unix path."""
    drive, rest = path.split(":", 1)
    assert drive.upper() == "C", path
    return wine_prefix() / "drive_c" / rest.replace("\\", "/").lstrip("/")


def wine_display(prefix=None):
    """The X display the Wine wrapper puts windows on: DISPLAY when set, else its own Xvfb for
    the prefix (by default wine_prefix()), known once the wrapper has run; None when there is
    none yet."""
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    state = (prefix or wine_prefix()) / ".xvfb"
    try:
        display, pid = state.read_text().split()
    except (OSError, ValueError):
        return None
    socket = pathlib.Path(f"/tmp/.X11-unix/X{display.lstrip(':')}")
    try:
        os.kill(int(pid), 0)
    except (OSError, ValueError):
        return None
    return display if socket.exists() else None


def run_wine(program, *args, timeout=120):
    """Runs a console program under Wine and returns its standard output (UTF-8)."""
    done = subprocess.run([str(WINE_RUN), str(program), *args], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=timeout)
    if done.returncode != 0:
        raise DriverError(f"{program} ended with exit code {done.returncode}")
    return done.stdout.decode("utf-8", "replace").replace("\r", "")


def set_log_pixels(dpi):
    """Sets the prefix's display scale (HKCU\\Control Panel\\Desktop LogPixels) for the programs
    started from now on; the prefix keeps it, so a caller sets 96 back when done."""
    run_wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
             "/d", str(dpi), "/f")


def scaled_cell(cell, dpi):
    """A cell of CELLS at a display scale: each edge times dpi / 96, rounded half up, as the
    framework lays it out."""
    return tuple((value * dpi + 48) // 96 for value in cell)


def white_share(pixels):
    """The share of near-white pixels among RGB bytes."""
    count = len(pixels) // 3
    white = sum(1 for i in range(0, count * 3, 3)
                if pixels[i] > 230 and pixels[i + 1] > 230 and pixels[i + 2] > 230)
    return white / max(count, 1)


def parse_report(text):
    """install-probe's "name=value" lines as a dictionary."""
    return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)


class Screen:
    """Pixels and input on one X display."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def xdotool(self, *args, check=True):
        done = subprocess.run(["xdotool", *map(str, args)], env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL)
        if check and done.returncode != 0:
            raise DriverError(f"xdotool {' '.join(map(str, args))} failed")
        return done.stdout.decode("utf-8", "replace")

    def size(self):
        width, height = self.xdotool("getdisplaygeometry").split()
        return int(width), int(height)

    def find_windows(self, title):
        """Ids of the visible top-level windows whose whole title matches title (an extended
        regular expression)."""
        found = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$", check=False)
        return [int(w) for w in found.split()]

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen, or None when it has gone."""
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window, check=False).split():
            name, _, value = line.partition("=")
            values[name] = value
        try:
            return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))
        except (KeyError, ValueError):
            return None

    def capture(self, x, y, width, height, png_path=None):
        """The screen's pixels in the rectangle, as RGB bytes (also written to png_path)."""
        crop = f"{width}x{height}+{x}+{y}"
        base = ["import", "-display", self.display, "-window", "root", "-crop", crop, "+repage",
                "-depth", "8"]
        if png_path:
            subprocess.run(base + [str(png_path)], check=True, stderr=subprocess.DEVNULL)
            return image_pixels(png_path)
        return subprocess.run(base + ["rgb:-"], check=True, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL).stdout

    def click(self, x, y):
        self.xdotool("mousemove", x, y, "click", 1)

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window, check=False)

    def key(self, *keys):
        self.xdotool("key", *keys)


def image_pixels(path, crop=None):
    """RGB bytes of an image file (optionally a crop (left, top, right, bottom) of it)."""
    command = ["convert", str(path)]
    if crop:
        left, top, right, bottom = crop
        command += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
    command += ["-alpha", "off", "rgb:-"]
    return subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout


def difference(first, second):
    """Mean absolute difference of two equally long RGB byte strings (0 to 255)."""
    if len(first) != len(second) or not first:
        return 255.0
    return sum(abs(a - b) for a, b in zip(first, second)) / len(first)


def background(cell):
    """What the window shows in a cell where no control draws: the skin's background image."""
    return image_pixels(SKIN / "bg_main.png", cell)


class Installer:
    """One run of installer.exe under Wine and its window."""

    def __init__(self, exe, proxy=None, log_path=None, args=()):
        env = proxy_environment(proxy)
        self.log_path = log_path
        self.log = open(log_path, "wb") if log_path else subprocess.DEVNULL
        self.start_records = len(start_failures())
        self.started = time.monotonic()
        self.process = subprocess.Popen([str(WINE_RUN), str(exe), *args], env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=self.log)
        self.screen = None
        self.window = None
        self.origin = None

    # The process.

    def running(self):
        return self.process.poll() is None

    def wait_exit(self, timeout):
        """The exit code; raises DriverError when the process still runs after timeout s."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise DriverError(f"the installer still runs {timeout} s later") from None

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait()
        if self.log is not subprocess.DEVNULL:
            self.log.close()
            self.log = subprocess.DEVNULL

    # The window.

    def wait_window(self, timeout=120):
        """Waits for the wizard's window to show; returns its screen geometry."""
        def shown():
            if not self.running():
                raise DriverError(f"the installer ended with exit code {self.process.returncode}"
                                  f" before its window showed{self.why_it_ended()}")
            display = wine_display()
            if not display:
                return None
            screen = Screen(display)
            for window in screen.find_windows(TITLE_PATTERN):
                geometry = screen.geometry(window)
                if geometry:
                    self.screen, self.window = screen, window
                    return geometry
            return None
        geometry = wait_until(shown, timeout, "the wizard's window")
        self.origin = geometry[:2]
        return geometry

    def why_it_ended(self):
        """What the installer recorded of a start that failed, and what Wine printed; a program
        that recorded nothing never reached its own start-up code."""
        records = start_failures()[self.start_records:]
        text = "".join(f"\n  recorded: {line}" for line in records) or \
            "\n  recorded: nothing (the program did not reach its own start-up)"
        if self.log_path and pathlib.Path(self.log_path).exists():
            printed = pathlib.Path(self.log_path).read_text(errors="replace").strip()
            if printed:
                text += "\n  printed: " + printed[-2000:].replace("\n", "\n    ")
        return text

    def window_gone(self):
        return not self.screen.find_windows(TITLE_PATTERN)

    def point(self, cell_or_point):
        """A screen point: the centre of a named cell, or a window point."""
        if isinstance(cell_or_point, str):
            left, top, right, bottom = CELLS[cell_or_point]
            x, y = (left + right) // 2, (top + bottom) // 2
        else:
            x, y = cell_or_point
        return self.origin[0] + x, self.origin[1] + y

    def click(self, cell_or_point):
        """A left click; the pointer then moves off, so that no button stays hot."""
        self.screen.click(*self.point(cell_or_point))
        self.move_away()

    def move_away(self):
        """Puts the pointer where it makes nothing hot."""
        self.screen.move(*self.point(NEUTRAL_POINT))

    def key(self, *keys):
        """A key press for the wizard: the window takes the focus first."""
        self.screen.focus(self.window)
        self.screen.key(*keys)

    def pixels(self, cell=None, png_path=None):
        """The window's screen pixels (or a cell's)."""
        left, top, right, bottom = CELLS[cell] if isinstance(cell, str) else (
            cell or (0, 0) + WINDOW_SIZE)
        return self.screen.capture(self.origin[0] + left, self.origin[1] + top, right - left,
                                   bottom - top, png_path)

    def shot(self, png_path):
        """A screenshot of the window's screen pixels."""
        return self.pixels(png_path=png_path)

    def cell_shows(self, cell, expected, tolerance=3.0):
        return difference(self.pixels(cell), expected) <= tolerance

    # The pages, told apart by what the button cell shows: the install button, the finish
    # button, or (installing page) the background.

    def page(self):
        """The page shown: "configuration", "installing", "finish", or None for something else
        (a hot button, say)."""
        return page_shown(self.pixels("btn_install"))

    def wait_page(self, name, timeout):
        """Waits for the page name, or for any of a tuple of names; returns the page reached."""
        names = name if isinstance(name, tuple) else (name,)
        what = " or ".join(names)

        def reached():
            if not self.running():
                raise DriverError(f"the installer ended (exit code {self.process.returncode}) "
                                  f"before the {what} page showed")
            page = self.page()
            return page if page in names else None
        return wait_until(reached, timeout, f"the {what} page")

    # The failure message box of the engine.

    def wait_failure_message(self, timeout):
        return wait_until(lambda: (self.screen.find_windows(FAILURE_CAPTION) or [None])[0],
                          timeout, "the download-failure message box")

    def answer_failure_message(self, box, answer="cancel"):
        """Answers the message box from the keyboard: Escape is Cancel, Return is OK."""
        self.screen.focus(box)
        self.screen.key("Escape" if answer == "cancel" else "Return")
        wait_until(lambda: box not in self.screen.find_windows(FAILURE_CAPTION), 30,
                   "the message box to close")


def page_shown(button_cell):
    """The page whose button cell (RGB bytes of CELLS["btn_install"]) this is, or None."""
    # The two buttons differ in two characters only: the nearest reference decides.
    name, reference = min(page_references().items(),
                          key=lambda item: difference(button_cell, item[1]))
    return name if difference(button_cell, reference) <= 1.5 else None


_page_references = {}


def page_references():
    """What the button cell shows on each page, made from the skin's own images: the button's
    normal sprite over the background, or the background alone."""
    if not _page_references:
        cell = CELLS["btn_install"]
        bg = SKIN / "bg_main.png"
        for page, sprite in (("configuration", "btn_start.png"), ("finish", "btn_finish.png")):
            over = subprocess.run(
                ["convert", "(", str(bg), "-crop", "178x58+210+210", "+repage", ")",
                 "(", str(SKIN / sprite), "-crop", "178x58+0+0", "+repage", ")",
                 "-composite", "-alpha", "off", "rgb:-"],
                check=True, stdout=subprocess.PIPE).stdout
            _page_references[page] = over
        _page_references["installing"] = background(cell)
    return _page_references


def reset_installation(probe, install_dir=DEFAULT_INSTALL_DIR):
    """Removes a previous installation: its files, the uninstall entry and both shortcuts."""
    shutil.rmtree(windows_to_unix(install_dir), ignore_errors=True)
    run_wine(probe, "forget")


def read_installation(probe, install_dir=DEFAULT_INSTALL_DIR):
    """What install-probe reads back of the installation in install_dir."""
    return parse_report(run_wine(probe, "report", install_dir))


class UpdateServer:
    """The local update server (tools/update_server/server.py) in a process of its own, logging
    every request it answers."""

    def __init__(self, root, rules=(), log_path=None, port=0):
        self.log_path = pathlib.Path(log_path or pathlib.Path(root).with_suffix(".requests.log"))
        command = [sys.executable, str(REPO / "tools" / "update_server" / "server.py"), "--root",
                   str(root), "--no-tls", "--verbose", "--port", str(port)]
        for rule in rules:
            command += ["--rule", rule]
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=self.log,
                                        stdin=subprocess.DEVNULL)
        line = self.process.stdout.readline().decode()
        if not line.startswith("http://"):
            self.stop()
            raise DriverError("the update server did not start")
        self.base = line.split()[0]

    @property
    def proxy(self):
        return self.base

    def requests(self):
        """The paths asked for so far, in order (scheme and host taken off)."""
        paths = []
        for line in self.log_path.read_text(errors="replace").splitlines():
            parts = line.split('"')
            if len(parts) >= 2 and parts[1].startswith("GET "):
                address = parts[1].split()[1]
                paths.append("/" + address.split("://", 1)[-1].split("/", 1)[-1]
                             if "://" in address else address)
        return paths

    def package_requests(self):
        return [p for p in self.requests() if p.startswith("/files/")]

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait()
        self.process.stdout.close()
        self.log.close()


def make_release(folder, stand_in_dir, client_bytes):
    """A client release: the stand-in launcher and uninstaller, QuenbyClient.dll of client_bytes
    pseudo-random bytes (the first file of the manifest) and res/skin.dat."""
    folder = pathlib.Path(folder)
    shutil.rmtree(folder, ignore_errors=True)
    (folder / "res").mkdir(parents=True)
    for program in ("tarsklogin.exe", "Uninstall.exe"):
        shutil.copy(pathlib.Path(stand_in_dir) / program, folder / program)
    (folder / "QuenbyClient.dll").write_bytes(random.Random(7).randbytes(client_bytes))
    (folder / "res" / "skin.dat").write_bytes(b"Quenby client skin\n" * 2000)
    return folder


# The project's test signing key, which the demo signs its release with and its installer pins.
TEST_SIGNING_KEY = REPO / "tools" / "publisher" / "test_key" / "quenby-test.key"


def publish(release, served, base_url, sign_key=None):
    """Publishes a release as the update server serves it, its packages addressed at base_url,
    its manifest signed with sign_key when one is given."""
    shutil.rmtree(served, ignore_errors=True)
    signing = ["--sign-key", str(sign_key)] if sign_key else []
    subprocess.run([sys.executable, str(REPO / "tools" / "publisher" / "publish.py"), "--release",
                    str(release), "--output", str(served), "--base-url", base_url, *signing],
                   check=True, stdout=subprocess.DEVNULL)


def file_digests(folder):
    """{relative path: md5} of every file below folder."""
    folder = pathlib.Path(folder)
    return {p.relative_to(folder).as_posix(): hashlib.md5(p.read_bytes()).hexdigest()
            for p in sorted(folder.rglob("*")) if p.is_file()}


def render_configuration_page(folder):
    """The configuration page as skin-preview.exe (QUENBY_SKIN_PREVIEW) renders it, set up as the
    wizard sets it up (the default folder in the field); returns the PNG's path."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    run_wine(os.environ["QUENBY_SKIN_PREVIEW"], "Z:" + str(folder.resolve()).replace("/", "\\"))
    return folder / "page0_config.png"



def dark_columns(pixels, width, limit=128):
    """The columns (0 to width - 1) of RGB bytes, width pixels a row, holding a dark pixel."""
    columns = set()
    for i in range(0, len(pixels) - 2, 3):
        if pixels[i] < limit and pixels[i + 1] < limit and pixels[i + 2] < limit:
            columns.add((i // 3) % width)
    return sorted(columns)


def dark_pixels(pixels, limit=96):
    """How many pixels of RGB bytes are dark in every channel: text on a light field."""
    return sum(1 for i in range(0, len(pixels) - 2, 3)
               if pixels[i] < limit and pixels[i + 1] < limit and pixels[i + 2] < limit)
