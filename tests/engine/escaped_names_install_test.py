#!/usr/bin/env python3
"""Installs a client whose file and folder names an address must escape (a space, '#', '%', '+',
'&', CJK, Korean, an emoji, a CJK folder) with engine-run under Wine, from the publisher's output
as two servers serve it: nginx, a standard web server, and the local update server. Every file
must arrive byte for byte under its own name, every request must find its file, and a second run
must download nothing.

  escaped_names_install_test.py --engine-run <engine-run.exe> --release <folder>

Exits with 77 (skipped) when nginx is not installed.
"""
import pathlib
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tools" / "publisher"))
sys.path.insert(0, str(REPO / "tools" / "update_server"))
import publish  # noqa: E402
import server  # noqa: E402
from engine_run import parse_arguments, release_faults, report, run_engine  # noqa: E402

SKIPPED = 77


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until_listening(port):
    for _ in range(100):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.1)
    sys.exit(f"nothing listens on port {port}")


class Nginx:
    """nginx serving a folder on a free loopback port, with an access log of every status."""

    def __init__(self, binary, root, work):
        self.port = free_port()
        self.log = work / "access.log"
        conf = work / "nginx.conf"
        conf.write_text(f"""
daemon off;
worker_processes 1;
pid {work}/nginx.pid;
error_log {work}/error.log;
events {{ worker_connections 64; }}
http {{
  log_format status '$status $request_uri';
  access_log {self.log} status;
  client_body_temp_path {work};
  proxy_temp_path {work};
  fastcgi_temp_path {work};
  uwsgi_temp_path {work};
  scgi_temp_path {work};
  default_type application/octet-stream;
  server {{ listen 127.0.0.1:{self.port}; root {root}; }}
}}
""")
        self.process = subprocess.Popen([binary, "-e", str(work / "error.log"), "-c", str(conf)])
        self.base = f"http://127.0.0.1:{self.port}"
        wait_until_listening(self.port)

    def failed_requests(self):
        lines = self.log.read_text(errors="replace").splitlines() if self.log.exists() else []
        return [line for line in lines if not line.startswith(("200 ", "206 "))]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def check_install(engine_run, base, release, install):
    """The faults of one install and its second run, as lines; none when both are right."""
    faults = []
    code, output = run_engine(engine_run, base, install)
    if code != 0 or "\ncomplete" not in "\n" + output:
        return [f"engine-run ended with {code}:\n{output}"]
    faults += release_faults(release, install)
    # engine-run prints each file's end report with the name as the manifest gives it.
    reported = set(re.findall(r'^progress stage=2 code=0 .* file="(.*)"$', output, re.M))
    names = {p.name for p in release.rglob("*") if p.is_file()}
    if reported != names:
        faults.append(f"end reports name {sorted(reported)}, the release {sorted(names)}")

    code, output = run_engine(engine_run, base, install)
    if code != 0 or "stage=2" in output:
        faults.append(f"the second run downloaded, or ended with {code}:\n{output}")
    return faults


def main():
    args = parse_arguments(__doc__)
    nginx_binary = shutil.which("nginx") or shutil.which("/usr/sbin/nginx")
    if not nginx_binary:
        print("nginx is not installed (scripts/setup.sh installs it): skipped")
        return SKIPPED

    work = pathlib.Path(tempfile.mkdtemp(prefix="quenby-names-"))
    work.chmod(0o755)  # nginx's workers run as another user
    faults = []
    try:
        served = work / "nginx-served"
        (work / "nginx").mkdir()
        nginx = Nginx(nginx_binary, served, work / "nginx")
        try:
            publish.publish(args.release, served, nginx.base, "7z")
            faults += [f"nginx: {f}" for f in
                       check_install(args.engine_run, nginx.base, args.release, work / "a")]
            faults += [f"nginx answered: {line}" for line in nginx.failed_requests()]
        finally:
            nginx.stop()

        served = work / "update-server-served"
        port, _ = server.start(served, 0, tls=False)
        base = f"http://127.0.0.1:{port}"
        publish.publish(args.release, served, base, "7z")
        faults += [f"update server: {f}" for f in
                   check_install(args.engine_run, base, args.release, work / "b")]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return report(faults)


if __name__ == "__main__":
    sys.exit(main())
