#!/usr/bin/env python3
"""Runs a command while the local update server serves a folder on free ports.

The command finds the server in the environment: QUENBY_TEST_SERVER (http://127.0.0.1:<port>),
QUENBY_TEST_SERVER_TLS (https://127.0.0.1:<port>) and QUENBY_TEST_SERVER_ROOT (the served folder
as Wine sees it, on drive Z:), where a test puts what it wants served. Its exit code is passed on.
A --prepare script runs first, once the server is up, as `python3 <script> <server> <root>`: for
what must know the server's address before it is made (a signed manifest naming it).
  with_server.py --root <folder> [--rule <path>=<prefix>]... [--prepare <script>]
                 -- <command> [args...]
"""
import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import server  # noqa: E402


def main():
    if "--" not in sys.argv:
        sys.exit("usage: with_server.py --root <folder> [--rule r]... -- <command> [args...]")
    split = sys.argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--rule", action="append")
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--prepare")
    args = parser.parse_args(sys.argv[1:split])
    os.makedirs(args.root, exist_ok=True)
    port, tls_port = server.start(args.root, 0, True, server.parse_rules(args.rule), args.verbose)
    if args.prepare:
        subprocess.run([sys.executable, args.prepare, f"http://127.0.0.1:{port}",
                        os.path.abspath(args.root)], check=True)
    env = dict(os.environ)
    env["QUENBY_TEST_SERVER"] = f"http://127.0.0.1:{port}"
    env["QUENBY_TEST_SERVER_TLS"] = f"https://127.0.0.1:{tls_port}"
    env["QUENBY_TEST_SERVER_ROOT"] = "Z:" + os.path.abspath(args.root).replace("/", "\\")
    sys.exit(subprocess.call(sys.argv[split + 1:], env=env))


if __name__ == "__main__":
    main()
