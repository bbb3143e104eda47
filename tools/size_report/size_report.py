#!/usr/bin/env python3
"""Prints what each part of a program occupies, from the GNU linker's map of its link: the bytes
of the input sections kept in the output (after unreferenced sections are dropped), summed by the
library or object file they came from, and grouped into the program's parts. What the sections
do not account for (headers, section alignment, the import tables the linker builds) shows as
"headers and padding" against the file's size.

  size_report.py <program.map> <program.exe>
"""
import os
import re
import sys

# The parts, by the file a section came from (first match wins).
PARTS = [
    ("7-Zip library", r"libsevenzip\.a"),
    ("libcurl", r"libcurl\.a"),
    ("libsodium", r"libsodium\.a"),
    ("pugixml", r"libpugixml\.a"),
    ("zlib", r"libz\.a"),
    ("UI framework", r"/ui/|^ui/"),
    ("engine", r"engine/"),
    ("resources (skin, icon, manifest)", r"\.res$"),
    ("installer (app, base)", r"app/|base/"),
    ("C++ library", r"libstdc\+\+|libsupc\+\+"),
    ("C runtime and compiler support",
     r"libgcc|libmingw|libmsvcrt|libwinpthread|crt[0-9a-z]*\.o|libpthread|/lib/gcc/"),
    # The base relocations that let Windows load the program at a random address.
    ("base relocations", r"^dll stuff$"),
    ("Windows import stubs", r"lib[a-z0-9_]+\.a\(.*\.o\)$"),
]
INPUT_SECTION = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def part_of(source):
    for name, pattern in PARTS:
        if re.search(pattern, source):
            return name
    return "other"


def kept_sections(map_path):
    """Yields (section, size, source) for every input section placed in the output."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    try:
        start = lines.index("Linker script and memory map")
    except ValueError:
        sys.exit(f"{map_path}: not a GNU linker map")
    pending = None
    for line in lines[start:]:
        # A long section name stands alone, its address, size and file on the next line.
        if re.fullmatch(r" \.\S+", line):
            pending = line.strip()
            continue
        match = INPUT_SECTION.match(line)
        if match:
            section = match.group(1) or pending
            size = int(match.group(3), 16)
            if section and size and int(match.group(2), 16):
                yield section, size, match.group(4).strip()
        pending = None


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    totals = {}
    for section, size, source in kept_sections(sys.argv[1]):
        # Uninitialised data takes no room in the file.
        if section.startswith(".bss") or section == "COMMON":
            continue
        part = part_of(source)
        totals[part] = totals.get(part, 0) + size
    file_size = os.path.getsize(sys.argv[2])
    totals["headers and padding"] = file_size - sum(totals.values())
    print(f"{'part':36} {'bytes':>10} {'MB':>6}")
    for part, size in sorted(totals.items(), key=lambda item: -item[1]):
        print(f"{part:36} {size:>10} {size / 1e6:6.2f}")
    print(f"{'file':36} {file_size:>10} {file_size / 1e6:6.2f}")


if __name__ == "__main__":
    main()
