#!/usr/bin/env python3
"""Checks that each executable is a 32-bit x86 Windows GUI program (PE32) whose import table names
only DLLs of Windows' KnownDLLs list.

The loader resolves a static import that is not a KnownDLL by searching the program's own folder
first, and an elevated installer is often run from a download folder holding other files: a DLL
planted there would run with administrator rights before the program's first line. Every other
system DLL is loaded at run time from the system folder.

  check_pe.py <program.exe>...
"""
import struct
import sys

# Windows' KnownDLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs), and
# ntdll, which every process has loaded before anything else.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "coml2.dll", "difxapi.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}


def read_imports(data):
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    subsystem = struct.unpack_from("<H", data, optional + 68)[0]
    import_rva = struct.unpack_from("<I", data, optional + 96 + 8)[0]
    table = optional + optional_size
    section_list = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for _, vsize, vaddr, rawsize, rawptr in section_list:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + rawptr
        raise ValueError(f"rva {rva:#x} outside every section")

    dlls = []
    entry = offset(import_rva) if import_rva else None
    while entry is not None:
        name_rva = struct.unpack_from("<IIIII", data, entry)[3]
        if name_rva == 0:
            break
        start = offset(name_rva)
        dlls.append(data[start:data.index(b"\0", start)].decode("ascii"))
        entry += 20
    return machine, magic, subsystem, dlls


def check(path):
    """Prints the program's imports and its problems; true when it has none."""
    try:
        with open(path, "rb") as f:
            machine, magic, subsystem, dlls = read_imports(f.read())
    except (OSError, ValueError, struct.error) as error:
        print(f"FAIL: {path}: not a readable PE file ({error})")
        return False
    problems = []
    if machine != 0x14C:
        problems.append(f"machine {machine:#x} is not i386")
    if magic != 0x10B:
        problems.append(f"optional header magic {magic:#x} is not PE32")
    if subsystem != 2:
        problems.append(f"subsystem {subsystem} is not the Windows GUI subsystem")
    foreign = sorted(d for d in dlls if d.lower() not in KNOWN_DLLS)
    if foreign:
        problems.append("imports DLLs outside the KnownDLLs list: " + ", ".join(foreign))
    print(f"{path}: imports " + ", ".join(sorted(dlls, key=str.lower)))
    for problem in problems:
        print(f"FAIL: {path}: {problem}")
    return not problems


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: check_pe.py <program.exe>...")
    results = [check(path) for path in sys.argv[1:]]
    sys.exit(0 if all(results) else 1)


if __name__ == "__main__":
    main()
