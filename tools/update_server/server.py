#!/usr/bin/env python3
"""Local update server for tests and the demo: serves a folder on 127.0.0.1 over HTTP and HTTPS.

Misbehaviour is chosen per request by a path prefix, so one server serves every test case:

  /-/status/<code>/<path>      answer <code> (for example 404 or 500) with a short body
  /-/redirect/<path>           302 to /<path> on the same server
  /-/https/<path>              302 to https://127.0.0.1:<tls port>/<path> (self-signed certificate)
  /-/trickle/<bytes>/<path>    send the body <bytes> at a time, pausing 50 ms between pieces
  /-/stall/<bytes>/<path>      send <bytes> of the body, then nothing until the client gives up
  /-/delay/<ms>/<path>         wait <ms> milliseconds before answering, then serve as usual (the
                               path may carry another fault: /-/delay/0/-/stall/0/<path>)
  /-/drop/<bytes>/<path>       send <bytes> of the body, then close the connection
  /-/fail/<n>/<code>/<path>    answer <code> to the first <n> requests of this address, then serve;
                               <code> may carry a Retry-After in seconds: 503+1
  /-/droponce/<bytes>/<path>   the first request of this address gets <bytes> of the body and a
                               closed connection, later ones are served
  /-/flaky/<percent>/<path>    <percent> of the requests end early at random: closed before any
                               answer, or after a random part of the body; the rest are served
  /-/norange/<path>            ignore Range requests (the whole body with 200)
  /-/tamper/<path>             serve the file with one bit of its middle byte flipped; signatures
                               (".minisig") unchanged, so that they no longer match
  /-/nosig/<path>              404 for signatures (".minisig"), other files served
  /-/endless/<path>            a body without a length that never ends (the path is not read)
  /-/nolength/<path>           the file's body without a Content-Length, then close
  /-/loop/<path>               302 to itself, for ever
  /-/scheme/<path>             302 to file:///C:/windows/win.ini (a scheme no transfer may take)

Plain files answer a "Range: bytes=<from>-" request with 206 and the rest of the body. The
server counts the requests of each address (GET /-/count/<address> answers the count).

It also answers requests sent to it as a proxy ("GET http://any.host/<path>") as it answers
"GET /<path>", and counts those apart (GET /-/proxied/<address> answers that count), so a test
can tell which route a transfer took. As a proxy for hosts under "proxy-auth.invalid" it asks
for Basic credentials, user "quenby" and password "proxy secret" (answering 407 until they come).

As a standard web server does, a request path is percent-decoded to bytes and names the file of
those bytes on disk, where names are UTF-8: "/files/read%20me.txt" is "files/read me.txt",
"%E5%AE%89.txt" is "安.txt"; unescaped bytes count as the bytes they are.

or for a path by option: --rule <path>=<prefix> (for example --rule update.xml=status/500).
"""
import argparse
import base64
import http.server
import os
import pathlib
import random
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse


def request_path(target):
    """The file path a request target names, relative to the served folder: the path part,
    percent-decoded to bytes and read as a file name (UTF-8; bytes that are no UTF-8 stay
    the bytes they are, as surrogate escapes). http.server read the request line as Latin-1, so
    that each raw byte is one character of the target."""
    raw = urllib.parse.urlsplit(target).path.lstrip("/")
    return os.fsdecode(urllib.parse.unquote_to_bytes(raw.encode("latin-1", "replace")))


PROXY_AUTH_DOMAIN = "proxy-auth.invalid"
PROXY_AUTHORIZATION = "Basic " + base64.b64encode(b"quenby:proxy secret").decode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = pathlib.Path(".")
    tls_port = 0
    rules = {}
    counts = {}
    counts_lock = threading.Lock()

    def count_request(self, address):
        with self.counts_lock:
            self.counts[address] = self.counts.get(address, 0) + 1
            return self.counts[address]

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("server: " + (fmt % args) + "\n")

    def do_HEAD(self):
        self.handle_request(send_body=False)

    def do_GET(self):
        self.handle_request(send_body=True)

    def handle_request(self, send_body):
        path = request_path(self.path)
        if path.startswith("-/count/"):
            address = "/" + path[len("-/count/"):]
            with self.counts_lock:
                body = str(self.counts.get(address, 0)).encode()
            return self.send_body(200, body, send_body)
        if path.startswith("-/proxied/"):
            address = "proxied:/" + path[len("-/proxied/"):]
            with self.counts_lock:
                body = str(self.counts.get(address, 0)).encode()
            return self.send_body(200, body, send_body)
        if self.path.startswith("http://"):
            host = urllib.parse.urlsplit(self.path).hostname or ""
            if (host.endswith("." + PROXY_AUTH_DOMAIN) and
                    self.headers.get("Proxy-Authorization") != PROXY_AUTHORIZATION):
                return self.send_proxy_auth_required(send_body)
            self.count_request("proxied:/" + path)
        request_number = self.count_request("/" + path)
        rule = self.rules.get(path)
        if rule:
            path = f"-/{rule}/{path}"
        if path.startswith("-/"):
            parts = path.split("/", 3)
            kind = parts[1] if len(parts) > 1 else ""
            if kind == "status" and len(parts) == 4:
                return self.send_status(int(parts[2]), send_body)
            if kind == "fail" and len(parts) == 4:
                code, _, rest = parts[3].partition("/")
                if request_number <= int(parts[2]):
                    status, _, retry_after = code.partition("+")
                    return self.send_status(int(status), send_body, retry_after)
                return self.handle_subpath(rest, send_body)
            if kind == "droponce" and len(parts) == 4:
                if request_number == 1:
                    relative = parts[3]
                    if relative.startswith("-/norange/"):
                        relative = relative[len("-/norange/"):]
                    return self.send_file(relative, send_body, "drop", int(parts[2]))
                return self.handle_subpath(parts[3], send_body)
            if kind == "flaky" and len(parts) == 4:
                if random.randrange(100) < int(parts[2]):
                    target = (self.root / parts[3]).resolve()
                    if random.random() < 0.3 or not target.is_file():
                        self.close_connection = True
                        self.connection.shutdown(socket.SHUT_RDWR)
                        return None
                    amount = random.randrange(max(target.stat().st_size, 1))
                    return self.send_file(parts[3], send_body, "drop", amount)
                return self.handle_subpath(parts[3], send_body)
            if kind == "norange":
                return self.send_file(path.split("/", 2)[2], send_body, None, 0, ranges=False)
            if kind == "tamper":
                rest = path.split("/", 2)[2]
                mode = None if rest.endswith(".minisig") else "tamper"
                return self.send_file(rest, send_body, mode, 0)
            if kind == "nosig":
                rest = path.split("/", 2)[2]
                if rest.endswith(".minisig"):
                    return self.send_status(404, send_body)
                return self.send_file(rest, send_body, None, 0)
            if kind == "redirect":
                return self.send_redirect("/" + path.split("/", 2)[2])
            if kind == "loop":
                return self.send_redirect("/" + path)
            if kind == "scheme":
                return self.send_redirect("file:///C:/windows/win.ini")
            if kind == "endless":
                return self.send_endless(send_body)
            if kind == "nolength":
                return self.send_file(path.split("/", 2)[2], send_body, "nolength", 0, ranges=False)
            if kind == "https":
                rest = path.split("/", 2)[2]
                return self.send_redirect(f"https://127.0.0.1:{self.tls_port}/{rest}")
            if kind == "delay" and len(parts) == 4:
                time.sleep(int(parts[2]) / 1000)
                if parts[3].startswith("-/") and not parts[3].startswith("-/norange/"):
                    # Another fault under the delay: served as if asked for directly.
                    self.path = "/" + parts[3]
                    return self.handle_request(send_body)
                return self.handle_subpath(parts[3], send_body)
            if kind in ("trickle", "stall", "drop") and len(parts) == 4:
                return self.send_file(parts[3], send_body, kind, int(parts[2]))
            return self.send_status(400, send_body)
        return self.send_file(path, send_body, None, 0)

    def handle_subpath(self, rest, send_body):
        """Serves what a fault prefix wraps: a plain file, or another prefix (-/norange/...)."""
        if rest.startswith("-/norange/"):
            return self.send_file(rest[len("-/norange/"):], send_body, None, 0, ranges=False)
        return self.send_file(rest, send_body, None, 0)

    def send_body(self, code, body, send_body, retry_after=""):
        self.send_response(code)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        if retry_after:
            self.send_header("Retry-After", retry_after)
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def send_proxy_auth_required(self, send_body):
        body = b"proxy authentication required\n"
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="quenby test proxy"')
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def send_status(self, code, send_body, retry_after=""):
        self.send_body(code, f"status {code}\n".encode(), send_body, retry_after)

    def send_endless(self, send_body):
        """A body with no length that goes on until the client hangs up."""
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if not send_body:
            return
        chunk = b"\0" * 65536
        try:
            while True:
                self.wfile.write(chunk)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass

    def send_redirect(self, location):
        self.send_response(302)
        # Header values are ASCII: the decoded path goes out escaped again.
        self.send_header("Location", urllib.parse.quote(os.fsencode(location), safe="/:"))
        self.send_header("Content-Length", "0")
        self.end_headers()

    def send_file(self, relative, send_body, mode, amount, ranges=True):
        target = (self.root / relative).resolve()
        if self.root not in target.parents or not target.is_file():
            return self.send_status(404, send_body)
        data = target.read_bytes()
        if mode == "tamper" and data:
            middle = len(data) // 2
            data = data[:middle] + bytes([data[middle] ^ 0x01]) + data[middle + 1:]
        first = self.range_start(len(data)) if ranges else None
        if first is None:
            self.send_response(200)
        else:
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {first}-{len(data) - 1}/{len(data)}")
            data = data[first:]
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "nolength":
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if not send_body:
            return
        try:
            if mode == "trickle":
                for start in range(0, len(data), max(amount, 1)):
                    self.wfile.write(data[start:start + max(amount, 1)])
                    self.wfile.flush()
                    time.sleep(0.05)
            elif mode == "stall":
                self.wfile.write(data[:amount])
                self.wfile.flush()
                # Hold the connection open without sending until the client hangs up.
                self.connection.settimeout(None)
                while self.connection.recv(1024):
                    pass
            elif mode == "drop":
                self.wfile.write(data[:amount])
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
            else:
                self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        self.close_connection = True


    def range_start(self, size):
        """The first byte of a "bytes=<from>-" request inside the body, else None."""
        header = self.headers.get("Range", "")
        if not header.startswith("bytes=") or not header.endswith("-"):
            return None
        try:
            first = int(header[len("bytes="):-1])
        except ValueError:
            return None
        return first if 0 <= first < size else None


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    verbose = False


def make_certificate(folder):
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
         "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def start(root, port=0, tls=True, rules=None, verbose=False):
    """Starts the HTTP (and HTTPS) listeners in background threads; returns (http, https) ports."""
    Handler.root = pathlib.Path(root).resolve()
    Handler.rules = dict(rules or {})
    servers = []
    tls_port = 0
    if tls:
        tls_server = Server(("127.0.0.1", 0), Handler)
        folder = tempfile.mkdtemp(prefix="quenby-cert-")
        cert, key = make_certificate(folder)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        shutil.rmtree(folder, ignore_errors=True)
        tls_server.socket = context.wrap_socket(tls_server.socket, server_side=True)
        tls_port = tls_server.server_address[1]
        servers.append(tls_server)
    Handler.tls_port = tls_port
    http_server = Server(("127.0.0.1", port), Handler)
    servers.append(http_server)
    for s in servers:
        s.verbose = verbose
        threading.Thread(target=s.serve_forever, daemon=True).start()
    return http_server.server_address[1], tls_port


def parse_rules(items):
    rules = {}
    for item in items or []:
        path, _, rule = item.partition("=")
        rules[path.lstrip("/")] = rule
    return rules


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True, help="folder to serve")
    parser.add_argument("--port", type=int, default=0, help="HTTP port (0: a free one)")
    parser.add_argument("--no-tls", action="store_true", help="no HTTPS listener")
    parser.add_argument("--rule", action="append", help="<path>=<prefix>, see above")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    port, tls_port = start(args.root, args.port, not args.no_tls, parse_rules(args.rule),
                           args.verbose)
    print(f"http://127.0.0.1:{port} https://127.0.0.1:{tls_port}", flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
