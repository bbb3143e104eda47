#!/usr/bin/env python3
"""Fails when a source of the product's folders (app/, base/, engine/, ui/) is not laid out as
the repository's .clang-format says, naming each file that drifted and how to mend it.

  format_check.py [clang-format]
"""
import pathlib
import subprocess
import sys

REPO = pathlib.Path(__file__).resolve().parents[2]
FOLDERS = ("app", "base", "engine", "ui")


def main():
    tool = sys.argv[1] if len(sys.argv) > 1 else "clang-format"
    sources = sorted(p for folder in FOLDERS for p in (REPO / folder).rglob("*")
                     if p.suffix in (".cpp", ".h"))
    drifted = []
    for source in sources:
        done = subprocess.run([tool, "--dry-run", "--Werror", str(source)], cwd=REPO,
                              capture_output=True, text=True)
        if done.returncode != 0:
            drifted.append(source.relative_to(REPO))
    for path in drifted:
        print(f"{path}: not formatted (clang-format -i {path})")
    print(f"{len(sources)} sources, {len(drifted)} drifted")
    return 1 if drifted else 0


if __name__ == "__main__":
    sys.exit(main())
