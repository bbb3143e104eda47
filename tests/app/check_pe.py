#!/usr/bin/env python3
"""Checks that an executable is a 32-bit x86 Windows GUI program (PE32) whose imports are all
DLLs that ship with Windows, so that the installer runs as one file on a bare system."""
import struct
import sys

# Windows' own DLLs the installer may import. Anything else (a compiler runtime, libcurl, ...)
# would have to travel beside the executable.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "gdi32.dll",
    "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
    "ole32.dll", "oleaut32.dll", "secur32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "uxtheme.dll", "version.dll", "winmm.dll", "ws2_32.dll", "iphlpapi.dll", "normaliz.dll",
    "msimg32.dll", "wininet.dll", "userenv.dll",
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


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        machine, magic, subsystem, dlls = read_imports(f.read())
    problems = []
    if machine != 0x14C:
        problems.append(f"machine {machine:#x} is not i386")
    if magic != 0x10B:
        problems.append(f"optional header magic {magic:#x} is not PE32")
    if subsystem != 2:
        problems.append(f"subsystem {subsystem} is not the Windows GUI subsystem")
    foreign = sorted(d for d in dlls if d.lower() not in SYSTEM_DLLS)
    if foreign:
        problems.append("imports DLLs that do not ship with Windows: " + ", ".join(foreign))
    print(f"{path}: imports " + ", ".join(sorted(dlls, key=str.lower)))
    for problem in problems:
        print("FAIL: " + problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
