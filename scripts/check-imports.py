#!/usr/bin/env python3
"""Fails when a program imports a function that Windows XP SP3 does not export.

Reads the import table of each program given (32- and 64-bit PE files) and compares every
imported function with the allow-list: one "dll function" pair a line; lines that start with
'#' are comments.
A function imported by ordinal is named "#N". The allow-list grows only by a reviewed change:
a function goes in once its documentation gives Windows XP (SP3 at the latest) or earlier as the
minimum supported client, or, for the C runtime, once XP's own msvcrt.dll exports it.

Usage: check-imports.py ALLOW_LIST PROGRAM...
"""
import struct
import sys


def imports(path):
    """The (dll, function) pairs of the PE file at `path`, dll names in lower case."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise ValueError(f"{path}: not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    wide = magic == 0x20B
    directories = optional + (112 if wide else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    sections = []
    at = optional + optional_size
    for _ in range(sections_count):
        vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, at + 8)
        sections.append((vaddr, max(vsize, rsize), raddr))
        at += 40

    def offset(rva):
        for vaddr, size, raddr in sections:
            if vaddr <= rva < vaddr + size:
                return raddr + rva - vaddr
        raise ValueError(f"{path}: address {rva:#x} is in no section")

    def text(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("ascii")

    found = set()
    if import_rva == 0:
        return found
    descriptor = offset(import_rva)
    thunk_size, ordinal_bit = (8, 1 << 63) if wide else (4, 1 << 31)
    while True:
        lookup, _, _, name_rva, first = struct.unpack_from("<IIIII", data, descriptor)
        if name_rva == 0:
            break
        dll = text(name_rva).lower()
        thunk = offset(lookup or first)
        while True:
            (entry,) = struct.unpack_from("<Q" if wide else "<I", data, thunk)
            if entry == 0:
                break
            if entry & ordinal_bit:
                found.add((dll, f"#{entry & 0xFFFF}"))
            else:
                found.add((dll, text((entry & 0x7FFFFFFF) + 2)))
            thunk += thunk_size
        descriptor += 20
    return found


def allowed(path):
    pairs = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                dll, function = line.split()
                pairs.add((dll.lower(), function))
    return pairs


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    allow = allowed(sys.argv[1])
    failed = False
    for program in sys.argv[2:]:
        outside = sorted(imports(program) - allow)
        for dll, function in outside:
            print(f"{program}: {dll} {function} is not known to exist on Windows XP SP3")
        failed = failed or bool(outside)
    if not failed:
        print(f"{len(sys.argv) - 2} programs import only what Windows XP SP3 exports")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
