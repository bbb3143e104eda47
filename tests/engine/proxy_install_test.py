#!/usr/bin/env python3
"""Installs a client with engine-run under Wine from a server that only a proxy reaches: the
manifest and the packages name the host "updates.quenby-proxy.invalid", which no resolver knows,
and the local update server answers as the proxy. The user's Internet settings of the Wine prefix
name that proxy, once directly and once through a PAC script served from loopback; each install
must arrive byte for byte, engine-run must name the proxy as the route, and the server must have
had every request as a proxy. Then the same through a proxy that asks for a password: the
system's credentials prompt comes once, and the test types the answer into it on the display.
The prefix's settings are put back afterwards.

  proxy_install_test.py --engine-run <engine-run.exe> --release <folder>
"""
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "publisher"))
sys.path.insert(0, str(REPO / "tools" / "update_server"))
import publish  # noqa: E402
import server  # noqa: E402

sys.path.insert(0, str(REPO / "tools" / "wizard_driver"))
import wizard_driver  # noqa: E402
from engine_run import (  # noqa: E402
    WINE_RUN, parse_arguments, release_faults, report, run_engine)

SETTINGS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"
SETTINGS_VALUE = "DefaultConnectionSettings"
PROXY_ONLY_HOST = "updates.quenby-proxy.invalid"
# The local server, as a proxy, wants Basic credentials for hosts under proxy-auth.invalid.
PASSWORD_HOST = "updates.proxy-auth.invalid"
PROMPT_TITLE = "代理服务器登录"
DIRECT, NAMED_PROXY, PAC_SCRIPT = 1, 2, 4


def connection_settings(flags, proxy="", bypass="", pac=""):
    """The binary value in which Windows keeps the user's connection settings, as hex."""
    data = struct.pack("<III", 0x46, 1, flags)
    for text in (proxy, bypass, pac):
        data += struct.pack("<I", len(text)) + text.encode("ascii")
    return (data + bytes(32)).hex()


class Registry:
    """reg.exe of the prefix engine-run runs in."""

    def __init__(self, engine_run):
        prefix = subprocess.run([str(WINE_RUN), "--prefix", str(engine_run)], check=True,
                                capture_output=True, text=True).stdout.strip()
        self.prefix = pathlib.Path(prefix)
        self.reg = self.prefix / "drive_c" / "windows" / "system32" / "reg.exe"

    def run(self, *args):
        # reg.exe speaks the prefix's code page (936); only the value's hex digits matter here.
        return subprocess.run([str(WINE_RUN), str(self.reg), *args], capture_output=True,
                              text=True, errors="replace", timeout=60)

    def read_settings(self):
        done = self.run("query", SETTINGS_KEY, "/v", SETTINGS_VALUE)
        for line in done.stdout.splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[0] == SETTINGS_VALUE:
                return fields[2]
        return None

    def write_settings(self, hex_value):
        done = self.run("add", SETTINGS_KEY, "/v", SETTINGS_VALUE, "/t", "REG_BINARY",
                        "/d", hex_value, "/f")
        if done.returncode != 0:
            sys.exit(f"reg add failed: {done.stdout}{done.stderr}")


def answer_prompt(prefix, answered, timeout=90):
    """Types the proxy's user name and password into the system's credentials prompt when it
    shows: a click into the name field, Tab to the password, Return for OK."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        display = wizard_driver.wine_display(prefix)
        if display:
            screen = wizard_driver.Screen(display)
            windows = screen.find_windows(PROMPT_TITLE)
            if windows:
                time.sleep(0.5)  # until the dialog takes input
                window = windows[0]
                screen.xdotool("mousemove", "--window", window, 240, 119, "click", 1)
                screen.xdotool("type", "--delay", 40, "quenby")
                screen.key("Tab")
                screen.xdotool("type", "--delay", 40, "proxy secret")
                screen.key("Return")
                answered.append(window)
                return
        time.sleep(0.2)


def check_install(engine_run, release, install, proxy, host=PROXY_ONLY_HOST):
    """The faults of one install, as lines; none when it is right."""
    code, output = run_engine(engine_run, f"http://{host}", install)
    if code != 0 or "\ncomplete" not in "\n" + output:
        return [f"engine-run ended with {code}:\n{output}"]
    faults = release_faults(release, install)
    asked = output.count("proxy credentials asked:")
    if asked != (1 if host == PASSWORD_HOST else 0):
        faults.append(f"the credentials prompt came {asked} times")
    route = f"route http://{host}:80: {proxy}"
    if route not in output:
        faults.append(f"engine-run did not print '{route}':\n{output}")
    return faults


def main():
    args = parse_arguments(__doc__)

    work = pathlib.Path(tempfile.mkdtemp(prefix="quenby-proxy-"))
    registry = Registry(args.engine_run)
    saved = registry.read_settings()
    faults = []
    try:
        served = work / "served"
        port, _ = server.start(served, 0, tls=False)
        proxy = f"127.0.0.1:{port}"
        publish.publish(args.release, served, f"http://{PROXY_ONLY_HOST}", "7z")
        (served / "proxy.pac").write_text(
            "function FindProxyForURL(url, host) {\n"
            f'  if (dnsDomainIs(host, ".invalid")) return "PROXY {proxy}; DIRECT";\n'
            '  return "DIRECT";\n'
            "}\n")
        cases = [
            ("named proxy", connection_settings(DIRECT | NAMED_PROXY, proxy, "<local>")),
            ("PAC script", connection_settings(DIRECT | PAC_SCRIPT,
                                               pac=f"http://127.0.0.1:{port}/proxy.pac")),
        ]
        for number, (name, settings) in enumerate(cases):
            registry.write_settings(settings)
            before = sum(n for k, n in server.Handler.counts.items() if k.startswith("proxied:"))
            case_faults = check_install(args.engine_run, args.release, work / f"install{number}",
                                        f"http://{proxy}")
            after = sum(n for k, n in server.Handler.counts.items() if k.startswith("proxied:"))
            files = sum(1 for p in args.release.rglob("*") if p.is_file())
            # The manifest and one package a file, every one of them through the proxy.
            if after - before < files + 1:
                case_faults.append(f"{after - before} proxy requests for {files} files")
            faults += [f"{name}: {fault}" for fault in case_faults]

        publish.publish(args.release, served, f"http://{PASSWORD_HOST}", "7z")
        registry.write_settings(connection_settings(DIRECT | NAMED_PROXY, proxy))
        answered = []
        prompt = threading.Thread(target=answer_prompt, args=(registry.prefix, answered), daemon=True)
        prompt.start()
        case_faults = check_install(args.engine_run, args.release, work / "install-password",
                                    f"http://{proxy}", PASSWORD_HOST)
        prompt.join(timeout=5)
        if len(answered) != 1:
            case_faults.append("the credentials prompt did not show")
        faults += [f"proxy asking for a password: {fault}" for fault in case_faults]
    finally:
        registry.write_settings(saved or connection_settings(DIRECT))
        shutil.rmtree(work, ignore_errors=True)
    return report(faults)


if __name__ == "__main__":
    sys.exit(main())
