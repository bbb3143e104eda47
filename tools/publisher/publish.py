#!/usr/bin/env python3
"""Publishes a client release folder the way the update server serves it.

For every file of the release it writes one package holding the file as name + ".tmp", under
<output>/files/<dir>/<name>, and it writes the manifest
<output>/checkupdate/tarskT/shichang/electron/update.xml listing Name, Url, Dir (ending in a
backslash, empty for the top folder), the lowercase MD5 of the file, the Length of its package
and the lowercase SHA256 of the package. Given a minisign secret key (--sign-key), it signs the
manifest with the `minisign` tool: update.xml.minisig beside update.xml, which an installer
that pins the key requires.

Names and folders are kept as they are (UTF-8 on disk and in the manifest), whatever characters
they hold: a space, '#', '%', '+', '&', CJK, emoji. The folders in Url are percent-encoded, as a
web server serving <output> expects them; the installer encodes the name it appends. A name that
Windows cannot hold (one of <>:"/\|?*, a control character, a trailing dot or space, a device
name such as CON, nul.txt or COM¹), or two files whose paths differ only in letter case, stop the
publishing with a message: no client could install them.

Packages are made by real tools: 7zz (7z, zip), gcab (cab), lzma from xz-utils (raw lzma) and an
lzma86 encoder given with --lzma86-tool. Raw lzma and lzma86 streams carry no file name, so the
unpacker names their content "[Content]".

  publish.py --release <folder> --output <folder> --base-url http://127.0.0.1:8000 [--format 7z]
             [--sign-key <minisign secret key>] [--previous <earlier release folder>]...

Each --previous names an earlier release as a folder of its files. For every file whose
counterpart there (same folder and name) differs, a binary patch from that file to the new one
(binary_patch.py) is written under <output>/patches/ and listed inside the file's entry:
<Patch FromMD5="…" Url="…" Length="…" SHA256="…"/>, FromMD5 the MD5 of the file it starts from,
Url its whole address. Installers that know nothing of patches read the entry as before. A patch
no smaller than PATCH_WORTH of the full package is not listed: it would save too little to be
worth a second way to fail.

A release holding a top-level ".quenby-staging" is refused: installers keep their unfinished
files under that name, and a release must not hold it.

A publisher's key pair: `minisign -G -p quenby.pub -s quenby.key`; the base64 line of quenby.pub
is what the installer's build pins (QUENBY_MANIFEST_KEYS). tools/publisher/test_key/ holds the
project's test pair, for tests and the demo only.
"""
import argparse
import binary_patch
import hashlib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
from xml.sax.saxutils import escape, quoteattr

MANIFEST_PATH = "checkupdate/tarskT/shichang/electron/update.xml"
FORMATS = ("7z", "zip", "cab", "lzma", "lzma86")
# A patch is listed only when it is smaller than this share of the file's full package.
PATCH_WORTH = 0.8
STAGING_NAME = ".quenby-staging"
# Windows reads a device from what comes before the first dot, less trailing blanks, in any
# letter case (ASCII only), and counts the superscripts ¹²³ as port digits. The installer refuses
# the same names (engine/manifest/windows_names.cpp).
WINDOWS_DEVICE_NAME = re.compile(
    r"(CON|PRN|AUX|NUL|CONIN\$|CONOUT\$|COM[1-9¹²³]|LPT[1-9¹²³]) *(\..*)?", re.IGNORECASE | re.ASCII)


def windows_name_fault(name):
    """Why Windows cannot hold this file or folder name, or None when it can."""
    bad = [c for c in name if c in '<>:"/\\|?*' or ord(c) < 32]
    if bad:
        return "holds " + ", ".join(repr(c) for c in sorted(set(bad)))
    if name.endswith((".", " ")):
        return "ends with a dot or a space"
    if WINDOWS_DEVICE_NAME.fullmatch(name):
        return "is a device name"
    return None


def file_system_key(relative):
    """The form under which NTFS finds a relative path: upper-cased one character at a time, as
    its names are compared (a character whose upper case is longer, such as "ß", stays)."""
    upper = "".join(c.upper() if len(c.upper()) == 1 else c for c in relative)
    return "\\".join(pathlib.PurePath(upper).parts)


def make_package(fmt, staged, package, lzma86_tool):
    """Packs the staged file (already named name + ".tmp") into package. "--" ends the switches,
    so that a name starting with "-" or "@" is taken as a file name."""
    folder, name = staged.parent, staged.name
    quiet = dict(stdout=subprocess.DEVNULL, check=True)
    if fmt in ("7z", "zip"):
        subprocess.run(["7zz", "a", f"-t{fmt}", "-bso0", "-bsp0", str(package), "--", name],
                       cwd=folder, **quiet)
    elif fmt == "cab":
        subprocess.run(["gcab", "-c", "-z", "--", str(package), name], cwd=folder, **quiet)
    elif fmt == "lzma":
        with open(package, "wb") as out:
            subprocess.run(["lzma", "-c", "-k", "--", name], cwd=folder, stdout=out, check=True)
    elif fmt == "lzma86":
        if not lzma86_tool:
            sys.exit("publish: lzma86 packages need --lzma86-tool")
        subprocess.run([lzma86_tool, "e", str(staged), str(package)], **quiet)


def digest_of(path, algorithm):
    digest = hashlib.new(algorithm)
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def sign(manifest, key, signed_at=None):
    """Writes manifest + ".minisig" with minisign (hashed mode, its default). The signed trusted
    comment names the signing time ("timestamp:<seconds since 1970>", now unless signed_at
    says otherwise), by which installers refuse a manifest older than one they installed from.
    Returns the signing time."""
    signature = manifest.with_name(manifest.name + ".minisig")
    seconds = int(time.time()) if signed_at is None else int(signed_at)
    comment = f"timestamp:{seconds}\tfile:{manifest.name}\thashed"
    subprocess.run(["minisign", "-S", "-s", str(key), "-m", str(manifest), "-x", str(signature),
                    "-t", comment],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    return seconds


def make_patches(source, relative, package_length, previous, output, base_url, md5):
    """Patches from each earlier release's different counterpart of source, as manifest
    attributes, those that save enough only."""
    patches = []
    made = {md5}
    for earlier in previous:
        old = earlier / relative
        if not old.is_file():
            continue
        from_md5 = digest_of(old, "md5")
        if from_md5 in made:
            continue
        made.add(from_md5)
        # Named by both digests, so that a patch a live manifest lists is never overwritten by
        # another.
        name = f"{relative.name}.{from_md5}-{md5}.patch"
        patch = output / "patches" / relative.parent / name
        patch.parent.mkdir(parents=True, exist_ok=True)
        length = binary_patch.make_patch(old, source, patch)
        if length >= PATCH_WORTH * package_length:
            patch.unlink()
            continue
        url_path = "/".join(urllib.parse.quote(p, safe="") for p in relative.parent.parts + (name,))
        patches.append({
            "FromMD5": from_md5,
            "Url": f"{base_url.rstrip('/')}/patches/{url_path}",
            "Length": str(length),
            "SHA256": digest_of(patch, "sha256"),
        })
    return patches


def publish(release, output, base_url, fmt, lzma86_tool=None, sign_key=None, previous=()):
    release, output = pathlib.Path(release), pathlib.Path(output)
    previous = [pathlib.Path(p) for p in previous]
    for earlier in previous:
        if not earlier.is_dir():
            sys.exit(f"publish: the earlier release {earlier} is no folder")
    if (release / STAGING_NAME).exists():
        sys.exit(f"publish: {release / STAGING_NAME}: a release may not hold the installer's "
                 "staging folder")
    entries = []
    sources = sorted(p for p in release.rglob("*") if p.is_file())
    # Checked before anything is written, so that a refused release leaves the published one whole.
    for source in sources:
        relative = source.relative_to(release)
        for element in relative.parts:
            fault = windows_name_fault(element)
            if fault:
                sys.exit(f"publish: {relative}: the name {element!r} {fault}; "
                         "Windows cannot hold it")
    # Files differing only in letter case are one file on Windows; the installer keeps the first.
    seen = {}
    for source in sources:
        relative = source.relative_to(release)
        key = file_system_key(str(relative))
        if key in seen:
            sys.exit(f"publish: {relative} and {seen[key]} differ only in letter case; "
                     "Windows holds them as one file")
        seen[key] = relative
    with tempfile.TemporaryDirectory(prefix="quenby-publish-") as scratch:
        for source in sources:
            relative = source.relative_to(release)
            parts = relative.parts[:-1]
            name = relative.name
            package = output / "files" / pathlib.Path(*parts) / name
            package.parent.mkdir(parents=True, exist_ok=True)
            # Packed under a name of the format's own: 7zz adds the extension to an archive name
            # without one, so a file named "LICENSE" would be packed as "LICENSE.7z".
            packed = pathlib.Path(scratch) / f"package.{fmt}"
            staged = pathlib.Path(scratch) / (name + ".tmp")
            shutil.copy2(source, staged)
            make_package(fmt, staged, packed, lzma86_tool)
            staged.unlink()
            shutil.move(packed, package)
            url_dir = "".join(urllib.parse.quote(p, safe="") + "/" for p in parts)
            md5 = digest_of(source, "md5")
            length = package.stat().st_size
            entries.append({
                "Name": name,
                "Url": f"{base_url.rstrip('/')}/files/{url_dir}",
                "Dir": "".join(p + "\\" for p in parts),
                "MD5": md5,
                "Length": str(length),
                "SHA256": digest_of(package, "sha256"),
                "Patches": make_patches(source, relative, length, previous, output, base_url, md5),
            })
    manifest = output / MANIFEST_PATH
    manifest.parent.mkdir(parents=True, exist_ok=True)
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<UpdateFiles>"]
    for entry in entries:
        fields = "".join(f"<{k}>{escape(v)}</{k}>" for k, v in entry.items() if k != "Patches")
        for patch in entry["Patches"]:
            attributes = " ".join(f"{k}={quoteattr(v)}" for k, v in patch.items())
            fields += f"<Patch {attributes}/>"
        lines.append(f"  <File>{fields}</File>")
    lines.append("</UpdateFiles>")
    manifest.write_text("\n".join(lines) + "\n", encoding="utf-8")
    signature = manifest.with_name(manifest.name + ".minisig")
    if sign_key:
        sign(manifest, sign_key)
    elif signature.exists():
        # A signature of an earlier manifest would only make this one look tampered with.
        signature.unlink()
    return entries


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--release", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--base-url", required=True)
    parser.add_argument("--format", choices=FORMATS, default="7z")
    parser.add_argument("--lzma86-tool")
    parser.add_argument("--sign-key", help="minisign secret key that signs the manifest")
    parser.add_argument("--previous", action="append", default=[],
                        help="an earlier release folder to publish patches from (repeatable)")
    args = parser.parse_args()
    for entry in publish(args.release, args.output, args.base_url, args.format, args.lzma86_tool,
                         args.sign_key, args.previous):
        print(f"{entry['Dir']}{entry['Name']}: {entry['Length']} bytes, md5 {entry['MD5']}")
        for patch in entry["Patches"]:
            print(f"  patch from md5 {patch['FromMD5']}: {patch['Length']} bytes")
    if args.sign_key:
        # What a build pins so that even a first install refuses manifests signed before this one.
        signature = pathlib.Path(args.output) / (MANIFEST_PATH + ".minisig")
        seconds = re.search(r"timestamp:(\d+)", signature.read_text(encoding="utf-8")).group(1)
        print(f"signed at {seconds}: -DQUENBY_MANIFEST_NOT_BEFORE={seconds}")


if __name__ == "__main__":
    main()
