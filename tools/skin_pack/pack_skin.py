#!/usr/bin/env python3
"""Packs a skin folder (markup files and images, at the archive's root) into the zip archive the
installer embeds. The archive is reproducible: sorted names, fixed times, Deflate.

  pack_skin.py <skin folder> <output.zip>
"""
import pathlib
import sys
import zipfile

SKIN_SUFFIXES = {".xml", ".png"}
FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def main():
    folder, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    files = sorted(p for p in folder.iterdir() if p.is_file() and p.suffix.lower() in SKIN_SUFFIXES)
    if not files:
        sys.exit(f"pack_skin: no skin files in {folder}")
    output.parent.mkdir(parents=True, exist_ok=True)
    partial = output.with_suffix(".partial")
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in files:
            info = zipfile.ZipInfo(path.name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, path.read_bytes())
    partial.replace(output)


if __name__ == "__main__":
    main()
