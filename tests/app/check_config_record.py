#!/usr/bin/env python3
"""Checks the client's configuration record that the installer copies to install.dat: UTF-16LE
with a byte-order mark, one line of JSON with no line break at the end, holding the four string
members in order and in the forms the client reads.

  check_config_record.py <install.dat>
"""
import json
import re
import sys

MEMBERS = ["homepage", "logo", "company", "wangba_id"]


def problems_of(data):
    if not data.startswith(b"\xff\xfe"):
        return ["no UTF-16LE byte-order mark"]
    if len(data) % 2:
        return ["odd length for UTF-16"]
    text = data[2:].decode("utf-16-le")
    problems = []
    if "\n" in text or "\r" in text:
        problems.append("more than one line, or a line break at the end")
    try:
        pairs = json.loads(text, object_pairs_hook=lambda items: items)
    except json.JSONDecodeError as error:
        return problems + [f"not JSON: {error}"]
    names = [name for name, _ in pairs]
    if names != MEMBERS:
        problems.append(f"members {names}, expected {MEMBERS}")
    values = dict(pairs)
    if not all(isinstance(value, str) for value in values.values()):
        problems.append("every member must be a string")
        return problems
    raw = {name: re.search(r'"%s":"((?:[^"\\]|\\.)*)"' % name, text) for name in MEMBERS}
    if any(match is None for match in raw.values()):
        return problems + ["a member is not written as a compact string"]
    raw = {name: match.group(1) for name, match in raw.items()}
    if not re.fullmatch(r"[a-z0-9.-]+\.[a-z]+", values["homepage"]):
        problems.append("homepage must be a bare host name")
    if not (values["logo"].startswith("https://") and values["logo"].endswith(".png")):
        problems.append("logo must be an https address of a PNG")
    if "/" in raw["logo"].replace("\\/", ""):
        problems.append('logo must write every "/" as "\\/"')
    if not raw["company"].isascii() or re.search(r"\\u[0-9a-f]*[A-F]", raw["company"]):
        problems.append("company must escape non-ASCII characters with lower-case \\u escapes")
    if not re.search(r"\\u[0-9a-f]{4}", raw["company"]):
        problems.append("company must be written with \\u escapes")
    if not re.fullmatch(r"\d{5}", values["wangba_id"]):
        problems.append("wangba_id must be five decimal digits in a string")
    if len(data) != 310:
        problems.append(f"{len(data)} bytes, the shipped record has 310")
    return problems


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        problems = problems_of(f.read())
    for problem in problems:
        print(f"FAIL: {path}: {problem}")
    if not problems:
        print(f"{path}: a valid configuration record")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
