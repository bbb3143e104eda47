#!/usr/bin/env python3
"""Checks that the product's source folders include only from the folders they may use.

    check_includes.py <repository root>

Reads every C and C++ source under the product folders and resolves each #include "…" or
#include <…> that names one of the repository's own top-level folders (or a file beside the
including one). A file may include from its own folder's group and from the folders its rule
lists; anything else is reported as "file:line: <folder> may not include <path>" and the exit
status is 1. A folder with sources that no rule names (a new folder of the product) is reported
as "<folder>: no include rule names this folder", so that it cannot escape the check. Folders
outside the product (tools/, tests/, bench/ and the build's own) are not checked, but no product
file may include from them.

It also keeps the product free of names that only MinGW's headers know, so that a Windows
developer's compiler takes the code: "file:line: WINBOOL is MinGW's own name; write BOOL".
"""

import pathlib
import re
import sys

# Each product folder, most specific first, with the folders it may include from besides itself.
RULES = [
    ("base/", []),
    # The engine's rooms, lowest first; the run at engine/ itself may use all of them.
    ("engine/archive/", ["base/"]),
    ("engine/common/", ["base/"]),
    ("engine/manifest/", ["engine/common/", "engine/archive/", "base/"]),
    ("engine/transfer/", ["engine/manifest/", "engine/common/", "base/"]),
    ("engine/placement/", ["engine/transfer/", "engine/manifest/", "engine/common/",
                           "engine/archive/", "base/"]),
    ("engine/", ["base/"]),
    ("ui/render/", ["base/"]),
    ("ui/core/", ["ui/render/", "base/"]),
    ("ui/controls/", ["ui/core/", "ui/render/", "base/"]),
    ("ui/skin/", ["ui/controls/", "ui/core/", "ui/render/", "base/"]),
    ("app/", ["ui/skin/", "ui/controls/", "ui/core/", "ui/render/", "engine/", "base/"]),
]
# The repository's top-level folders that an include path can start with.
OWN_ROOTS = ("app/", "base/", "bench/", "engine/", "resources/", "tests/", "tools/", "ui/")
# Top-level folders that are not the product: neither checked nor required to have a rule.
OUTSIDE_PRODUCT = ("bench/", "build/", "cmake/", "deps/", "resources/", "scripts/", "tests/",
                   "tools/")
SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cc", ".cpp", ".inl"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
# Names MinGW's headers define and the Windows SDK does not, with the SDK's own.
MINGW_ONLY_NAMES = {"WINBOOL": "BOOL"}
MINGW_ONLY = re.compile(r"\b(" + "|".join(MINGW_ONLY_NAMES) + r")\b")


def rule_for(relative_path):
    for folder, allowed in RULES:
        if relative_path.startswith(folder):
            return folder, allowed
    return None


def resolve(root, including_file, written):
    """The include as a path relative to root, or None when it is not one of ours."""
    beside = (including_file.parent / written).resolve()
    if beside.is_file() and root in beside.parents:
        return beside.relative_to(root).as_posix()
    if written.startswith(OWN_ROOTS):
        return pathlib.PurePosixPath(written).as_posix()
    return None


def unnamed_folders(root):
    """Problems for the folders of the product that hold sources but have no rule."""
    folders = set()
    for top in sorted(root.iterdir()):
        # Build folders (build/, build-demo/, …) hold generated sources of their own.
        if (not top.is_dir() or top.name.startswith((".", "build"))
                or f"{top.name}/" in OUTSIDE_PRODUCT):
            continue
        for path in top.rglob("*"):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            if rule_for(path.relative_to(root).as_posix()) is None:
                folders.add(path.parent.relative_to(root).as_posix() + "/")
    return [f"{folder}: no include rule names this folder" for folder in sorted(folders)]


def check(root):
    root = root.resolve()
    problems = unnamed_folders(root)
    for folder, allowed in RULES:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            relative = path.relative_to(root).as_posix()
            own_folder, own_allowed = rule_for(relative)
            if own_folder != folder:
                continue  # checked under its more specific folder
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), start=1):
                for name in MINGW_ONLY.findall(line):
                    problems.append(f"{relative}:{number}: {name} is MinGW's own name; "
                                    f"write {MINGW_ONLY_NAMES[name]}")
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, path, match.group(2))
                if target is None or target.startswith(own_folder):
                    continue
                if not any(target.startswith(other) for other in own_allowed):
                    problems.append(f"{relative}:{number}: {own_folder} may not include {target}")
    return problems


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1])
    if not (root / "base").is_dir():
        print(f"check_includes: {root} is not the repository root", file=sys.stderr)
        return 2
    problems = check(root)
    for problem in problems:
        print(problem)
    checked = ", ".join(folder for folder, _ in RULES)
    print(f"include directions: {len(problems)} problem(s) in {checked}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
