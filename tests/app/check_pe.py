#!/usr/bin/env python3
"""Checks Windows programs as they ship, without running them: each is a GUI program for the
expected machine (i686: PE32 for Intel 80386; x86_64: PE32+ for AMD64) whose import table names
only DLLs of Windows' KnownDLLs list. The installer is also checked for its resources: the
client's configuration record ("KEYRES" 138) and a manifest that asks for administrator rights
and version 6 of the common controls on any processor, declares per-monitor (v2) DPI awareness
and names Windows 7 to 11 as supported; its size is printed.

With --version and --publisher, an installer must carry version information in Simplified
Chinese naming them, the product and its file name, as Explorer's Properties page shows it.
With --signed-by, an installer must carry an Authenticode signature that osslsigncode verifies
against that file's certificates: a program altered after signing, or signed by anyone else,
fails.

The loader resolves a static import that is not a KnownDLL by searching the program's own folder
first, and an elevated installer is often run from a download folder holding other files: a DLL
planted there would run with administrator rights before the program's first line. Every other
system DLL is loaded at run time from the system folder.

With --max-bytes, a program larger than that many bytes fails: an online installer is the file a
user downloads first.

  check_pe.py --machine i686|x86_64 [--max-bytes N] [--version X.Y.Z --publisher NAME]
              [--signed-by <ca.pem>] [--installer <installer.exe>] [<program.exe>...]
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

# Windows' KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs), and
# ntdll, which every process has loaded before anything else.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}

# Machine field and optional header magic of each architecture.
MACHINES = {
    "i686": (0x14C, 0x10B, "Intel 80386", "PE32"),
    "x86_64": (0x8664, 0x20B, "AMD64", "PE32+"),
}
RT_MANIFEST = 24
RT_VERSION = 16
# Simplified Chinese, and the block of strings in UTF-16 (code page 1200) for it.
VERSION_LANGUAGE = 0x0804
VERSION_CODE_PAGE = 1200
VERSION_STRINGS_BLOCK = "080404b0"
PRODUCT_NAME = "Quenby"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY_V1 = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WINDOWS_SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
# The supportedOS ids of Windows 7, 8, 8.1 and 10 (which Windows 11 shares).
SUPPORTED_OS_IDS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


class PeFile:
    """The headers, imports and resources of one PE file."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data,
                                                                                pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        # The data directories follow the fields whose width depends on the format.
        directories = optional + (112 if self.magic == 0x20B else 96)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i)
                         for i in range(sections)]
        self.resource_languages = {}

    def offset(self, rva):
        for _, vsize, vaddr, rawsize, rawptr in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + rawptr
        raise ValueError(f"rva {rva:#x} outside every section")

    def imports(self):
        dlls = []
        entry = self.offset(self.import_rva) if self.import_rva else None
        while entry is not None:
            name_rva = struct.unpack_from("<IIIII", self.data, entry)[3]
            if name_rva == 0:
                break
            start = self.offset(name_rva)
            dlls.append(self.data[start:self.data.index(b"\0", start)].decode("ascii"))
            entry += 20
        return dlls

    def resources(self):
        """{(type, name): bytes} of the first language of each resource; a type or name is an
        int, or an upper-case string."""
        if not self.resource_rva:
            return {}
        root = self.offset(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, root + directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, root + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
                yield name, target

        found = {}
        for kind, names in entries(0):
            for name, languages in entries(names & 0x7FFFFFFF):
                language, leaf = next(entries(languages & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", self.data, root + leaf)
                start = self.offset(rva)
                found[(kind, name)] = self.data[start:start + size]
                self.resource_languages[(kind, name)] = language
        return found


def dpi_problems(root):
    """What the manifest lacks for a sharp window at every display scale: per-monitor v2
    awareness with per-monitor fallback (dpiAwareness), and per-monitor or system awareness for
    Windows before 10 1607 (dpiAware)."""
    problems = []
    aware = [(e.text or "").strip().lower() for e in root.iter(WINDOWS_SETTINGS_2005 + "dpiAware")]
    if aware != ["true/pm"]:
        problems.append(f"the manifest's dpiAware is {aware}, not ['true/pm']")
    awareness = [[part.strip().lower() for part in (e.text or "").split(",")]
                 for e in root.iter(WINDOWS_SETTINGS_2016 + "dpiAwareness")]
    if awareness != [["permonitorv2", "permonitor"]]:
        problems.append(f"the manifest's dpiAwareness is {awareness}, not PerMonitorV2, PerMonitor")
    return problems


def compatibility_problems(root):
    """The Windows versions from 7 to 11 that the manifest does not name as supported."""
    named = {(e.get("Id") or "").lower() for e in root.iter(COMPATIBILITY_V1 + "supportedOS")}
    return [f"the manifest does not name {system} as supported"
            for os_id, system in SUPPORTED_OS_IDS.items() if os_id not in named]


def manifest_problems(text):
    """What the installer's manifest lacks: administrator rights, common controls 6 for any
    processor, DPI awareness and the supported Windows versions."""
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return [f"the manifest is no XML ({error})"]
    problems = []
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != ["requireAdministrator"]:
        problems.append(f"the manifest asks for execution level {levels}, not requireAdministrator")
    controls = [e for e in root.iter(ASM_V1 + "assemblyIdentity")
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    if not controls:
        problems.append("the manifest names no common controls")
    for identity in controls:
        if identity.get("version") != "6.0.0.0":
            problems.append(f"the manifest asks for common controls {identity.get('version')}")
        if identity.get("processorArchitecture") != "*":
            problems.append("the common controls' processorArchitecture is "
                            f"{identity.get('processorArchitecture')!r}, not '*'")
    return problems + dpi_problems(root) + compatibility_problems(root)


def version_node(data, at=0):
    """One node of a VS_VERSIONINFO tree at offset at: (key, value bytes, text flag, children,
    length). Each node is its length, its value's length (in characters for text), a text flag,
    its key in UTF-16, then the value and the children, each aligned to four bytes."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    if length < 6 or at + length > len(data):
        raise ValueError(f"version node at {at} has length {length}")
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= at + length:
            raise ValueError(f"version node at {at} has an unterminated key")
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value = data[value_at:value_at + (2 * value_length if is_text else value_length)]
    children = []
    child = (value_at + len(value) + 3) & ~3
    while child < at + length:
        node = version_node(data, child)
        children.append(node)
        child = (child + node[4] + 3) & ~3
    return key, value, is_text, children, length


def version_info(data):
    """The file and product versions (four numbers each), the strings of each block by block
    name (lower case) and the (language, code page) translations of a version resource."""
    key, fixed, _, children, _ = version_node(data)
    if key != "VS_VERSION_INFO":
        raise ValueError(f"version resource named {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != 0xFEEF04BD:
        raise ValueError(f"fixed file information signature {signature:#x}")

    def numbers(ms, ls):
        return ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF

    info = {"file_version": numbers(file_ms, file_ls),
            "product_version": numbers(product_ms, product_ls), "strings": {},
            "translations": []}
    for name, _, _, blocks, _ in children:
        if name == "StringFileInfo":
            for block, _, _, strings, _ in blocks:
                info["strings"][block.lower()] = {
                    string_key: value.decode("utf-16-le").rstrip("\0")
                    for string_key, value, _, _, _ in strings}
        elif name == "VarFileInfo":
            for var, value, _, _, _ in blocks:
                if var == "Translation":
                    info["translations"] += [struct.unpack_from("<HH", value, i)
                                             for i in range(0, len(value) - 3, 4)]
    return info


def version_problems(pe, resources, version, publisher):
    """What the installer's version information lacks against the expected version ("1.2.3")
    and publisher."""
    data = resources.get((RT_VERSION, 1))
    if data is None:
        return ["no version information (RT_VERSION 1)"]
    try:
        info = version_info(data)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        return [f"unreadable version information ({error})"]
    problems = []
    language = pe.resource_languages[(RT_VERSION, 1)]
    if language != VERSION_LANGUAGE:
        problems.append(f"version information in language {language:#06x}, not "
                        f"{VERSION_LANGUAGE:#06x}")
    numbers = tuple(int(n) for n in version.split(".")) + (0,) * (4 - version.count(".") - 1)
    for field in ("file_version", "product_version"):
        if info[field] != numbers:
            problems.append(f"{field} is {info[field]}, not {numbers}")
    if (VERSION_LANGUAGE, VERSION_CODE_PAGE) not in info["translations"]:
        problems.append(f"translations {info['translations']} lack "
                        f"({VERSION_LANGUAGE:#06x}, {VERSION_CODE_PAGE})")
    strings = info["strings"].get(VERSION_STRINGS_BLOCK)
    if strings is None:
        return problems + [f"no string block {VERSION_STRINGS_BLOCK} (blocks: "
                           f"{sorted(info['strings'])})"]
    expected = {"CompanyName": publisher, "ProductName": PRODUCT_NAME, "FileVersion": version,
                "ProductVersion": version, "OriginalFilename": "installer.exe"}
    for name, value in expected.items():
        if strings.get(name) != value:
            problems.append(f"version string {name} is {strings.get(name)!r}, not {value!r}")
    if not strings.get("FileDescription"):
        problems.append("no version string FileDescription")
    print(f"version information: {strings}")
    return problems


def signature_problems(path, ca_file):
    """Why the program's Authenticode signature does not verify against ca_file's certificates;
    nothing when it does."""
    tool = shutil.which("osslsigncode")
    if tool is None:
        return ["osslsigncode is not installed: the signature cannot be verified"]
    # The authority's file for timestamps too, so that no system certificate store is needed.
    result = subprocess.run([tool, "verify", "-CAfile", ca_file, "-TSA-CAfile", ca_file,
                             "-in", path], capture_output=True, text=True, errors="replace")
    if result.returncode == 0:
        print(f"{path}: signature verified against {ca_file}")
        return []
    said = [line.strip() for line in (result.stdout + result.stderr).splitlines()
            if any(w in line for w in ("MISMATCH", "No signature", "failed", "error", "Error"))]
    return [f"the signature does not verify against {ca_file}: " + ("; ".join(said) or
                                                                    "osslsigncode failed")]


def check(path, machine_name, installer, max_bytes=None, version=None, publisher=None,
          signed_by=None):
    """Prints the program's imports (and an installer's size) and its problems; true when it has
    none. An installer's version information is checked when version is given, its signature
    when signed_by names the certificates to verify it against."""
    machine, magic, machine_label, format_label = MACHINES[machine_name]
    try:
        with open(path, "rb") as f:
            pe = PeFile(f.read())
        dlls = pe.imports()
        resources = pe.resources() if installer else {}
    except (OSError, ValueError, struct.error, StopIteration) as error:
        print(f"FAIL: {path}: not a readable PE file ({error})")
        return False
    problems = []
    if pe.machine != machine:
        problems.append(f"machine {pe.machine:#x} is not {machine_label}")
    if pe.magic != magic:
        problems.append(f"optional header magic {pe.magic:#x} is not {format_label}")
    if pe.subsystem != 2:
        problems.append(f"subsystem {pe.subsystem} is not the Windows GUI subsystem")
    foreign = sorted(d for d in dlls if d.lower() not in KNOWN_DLLS)
    if foreign:
        problems.append("imports DLLs outside the KnownDLLs list: " + ", ".join(foreign))
    print(f"{path}: imports " + ", ".join(sorted(dlls, key=str.lower)))
    size = os.path.getsize(path)
    if installer or max_bytes is not None:
        print(f"{path}: {size} bytes ({size / 1e6:.2f} MB)")
    if max_bytes is not None and size > max_bytes:
        problems.append(f"{size} bytes is more than the limit of {max_bytes} bytes")
    if installer:
        if not resources.get(("KEYRES", 138)):
            problems.append('no "KEYRES" 138 resource (the configuration record)')
        manifest = resources.get((RT_MANIFEST, 1))
        if manifest is None:
            problems.append("no manifest (RT_MANIFEST 1)")
        else:
            problems += manifest_problems(manifest)
        if version is not None:
            problems += version_problems(pe, resources, version, publisher)
        if signed_by is not None:
            problems += signature_problems(path, signed_by)
    for problem in problems:
        print(f"FAIL: {path}: {problem}")
    return not problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--installer", action="append", default=[])
    parser.add_argument("--max-bytes", type=int)
    parser.add_argument("--version", help="the installer's version, X.Y.Z")
    parser.add_argument("--publisher", help="the publisher its version information names")
    parser.add_argument("--signed-by", help="certificates its signature must verify against")
    parser.add_argument("programs", nargs="*")
    args = parser.parse_args()
    if not args.installer and not args.programs:
        parser.error("nothing to check")
    if (args.version is None) != (args.publisher is None):
        parser.error("--version and --publisher go together")
    results = [check(path, args.machine, True, args.max_bytes, args.version, args.publisher,
                     args.signed_by) for path in args.installer]
    results += [check(path, args.machine, False, args.max_bytes) for path in args.programs]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
