#!/usr/bin/env python3
"""Checks Windows programs as they ship, without running them: each is a GUI program for the
expected machine (i686: PE32 for Intel 80386; x86_64: PE32+ for AMD64) whose import table names
only DLLs of Windows' KnownDLLs list. The installer is also checked for its resources: the
client's configuration record ("KEYRES" 138) and a manifest that asks for administrator rights
and version 6 of the common controls on any processor; its size is printed.

The loader resolves a static import that is not a KnownDLL by searching the program's own folder
first, and an elevated installer is often run from a download folder holding other files: a DLL
planted there would run with administrator rights before the program's first line. Every other
system DLL is loaded at run time from the system folder.

With --max-bytes, a program larger than that many bytes fails: an online installer is the file a
user downloads first.

  check_pe.py --machine i686|x86_64 [--max-bytes N] [--installer <installer.exe>] [<program.exe>...]
"""
import argparse
import os
import struct
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
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


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
                _, leaf = next(entries(languages & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", self.data, root + leaf)
                start = self.offset(rva)
                found[(kind, name)] = self.data[start:start + size]
        return found


def manifest_problems(text):
    """What the installer's manifest lacks: administrator rights, common controls 6 for any
    processor."""
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
    return problems


def check(path, machine_name, installer, max_bytes=None):
    """Prints the program's imports (and an installer's size) and its problems; true when it has
    none."""
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
    for problem in problems:
        print(f"FAIL: {path}: {problem}")
    return not problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--installer", action="append", default=[])
    parser.add_argument("--max-bytes", type=int)
    parser.add_argument("programs", nargs="*")
    args = parser.parse_args()
    if not args.installer and not args.programs:
        parser.error("nothing to check")
    results = [check(path, args.machine, True, args.max_bytes) for path in args.installer]
    results += [check(path, args.machine, False, args.max_bytes) for path in args.programs]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
