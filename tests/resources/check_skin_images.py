#!/usr/bin/env python3
"""Checks the skin folder's images against its markup.

Every image the markup names must be there, and nothing else: the folder is packed whole. An
image cut into cells by "source" rectangles must be exactly as large as the cells reach, or
a state draws a cut or shifted picture. An image drawn without "source" is stretched over its
control, so it must have the control's size (its own width and height, else its nearest
ancestor's, else the window's), or it shows up blurred or distorted.

A variant for high display scales, "name@2x.png" or "name@1.5x.png" beside "name.png", must be
the base image's size times its factor (rounded), so that every cell and place scales with it.

Usage: check_skin_images.py SKIN_FOLDER
"""
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

IMAGE_ATTRIBUTES = {
    "bkimage", "foreimage", "normalimage", "hotimage", "pushedimage", "focusedimage",
    "disabledimage", "hotforeimage", "selectedimage", "selectedhotimage", "normalhotimage",
}


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    return struct.unpack(">II", head[16:24])


def parse_description(text):
    """(file name, source rectangle or None) of an image description."""
    items = dict(re.findall(r"(\w+)='([^']*)'", text))
    if not items:
        return text, None
    source = items.get("source")
    rect = tuple(int(v) for v in source.split(",")) if source else None
    return items.get("file", text), rect


def collect(folder):
    """Per image name: the source rectangles, and the control sizes of whole-image uses."""
    uses = {}
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".xml"):
            continue
        root = ET.parse(os.path.join(folder, name)).getroot()
        window = root.get("size")
        window_size = tuple(int(v) for v in window.split(",")) if window else (None, None)

        def walk(element, width, height):
            width = int(element.get("width", 0)) or width
            height = int(element.get("height", 0)) or height
            for attribute, value in element.attrib.items():
                if attribute not in IMAGE_ATTRIBUTES:
                    continue
                image, source = parse_description(value)
                entry = uses.setdefault(image, {"sources": [], "sizes": set()})
                if source:
                    entry["sources"].append(source)
                else:
                    entry["sizes"].add((width, height, f"{name}: <{element.tag} {attribute}>"))
            for child in element:
                walk(child, width, height)

        walk(root, *window_size)
    return uses


def main():
    folder = sys.argv[1]
    uses = collect(folder)
    failures = []
    present = {n for n in os.listdir(folder) if n.endswith(".png")}
    variants = {n: match for n in present
                if (match := re.fullmatch(r"(.+)@(2|1\.5)x\.png", n))}
    for variant, match in sorted(variants.items()):
        base = match.group(1) + ".png"
        if base not in uses or base not in present:
            failures.append(f"{variant}: a variant of {base}, which the markup does not name")
            continue
        factor = float(match.group(2))
        want = tuple(int(v * factor + 0.5) for v in png_size(os.path.join(folder, base)))
        size = png_size(os.path.join(folder, variant))
        if size != want:
            failures.append(f"{variant}: {size[0]}x{size[1]}, {factor:g} times {base} is "
                            f"{want[0]}x{want[1]}")
    present -= set(variants)
    for extra in sorted(present - set(uses)):
        failures.append(f"{extra}: not named by the markup")
    for image, entry in sorted(uses.items()):
        if image not in present:
            failures.append(f"{image}: named by the markup but missing")
            continue
        try:
            size = png_size(os.path.join(folder, image))
        except (OSError, ValueError) as error:
            failures.append(f"{image}: {error}")
            continue
        if entry["sources"]:
            reach = (max(r[2] for r in entry["sources"]), max(r[3] for r in entry["sources"]))
            if size != reach:
                failures.append(f"{image}: {size[0]}x{size[1]}, its cells need {reach[0]}x{reach[1]}")
        for width, height, where in sorted(entry["sizes"]):
            if size != (width, height):
                failures.append(f"{image}: {size[0]}x{size[1]}, {where} fills {width}x{height}")
    for failure in failures:
        print(failure)
    if not failures:
        print(f"{len(uses)} images match the markup")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
