#!/usr/bin/env python3
"""Checks that a Windows DLL exports exactly the names and ordinals of its
module-definition file: no name missing or added, each at its own ordinal, no
ordinal without a name and no decorated stdcall name (Name@12)."""
import argparse
import re
import struct
import subprocess
import sys

# The mingw objdump that reads a DLL of each PE machine type.
OBJDUMP = {0x14C: "i686-w64-mingw32-objdump", 0x8664: "x86_64-w64-mingw32-objdump"}
DECORATED = re.compile(r"_?[A-Za-z_]\w*@\d+")


def read_def(path):
    """Maps every name of the EXPORTS section to its ordinal."""
    exports, owners = {}, {}
    in_exports = False
    for number, raw in enumerate(open(path, encoding="ascii"), 1):
        line = raw.split(";", 1)[0].strip()
        if line.upper() == "EXPORTS":
            in_exports = True
        elif line and in_exports:
            m = re.fullmatch(r"(\S+)\s+@\s*(\d+)", line)
            if not m:
                sys.exit(f"{path}:{number}: expected 'Name @ordinal': {raw.strip()}")
            name, ordinal = m[1], int(m[2])
            if name in exports or ordinal in owners:
                sys.exit(f"{path}:{number}: {name} @{ordinal} repeats a name or an ordinal")
            exports[name], owners[ordinal] = ordinal, name
    return exports


def pe_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = struct.unpack_from("<I", head, 0x3C)[0] if len(head) >= 0x40 else 0
    if head[:2] != b"MZ" or head[offset:offset + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE file")
    return struct.unpack_from("<H", head, offset + 4)[0]


def table_lines(text, title):
    """The lines of one objdump table, from its title to the next blank line."""
    start = text.find(title)
    if start < 0:
        return []
    return text[start:].split("\n\n", 1)[0].splitlines()[1:]


def read_exports(dll, objdump):
    """Returns {name: ordinal} and the set of every ordinal with an address."""
    text = subprocess.run([objdump, "-p", dll], check=True, capture_output=True,
                          text=True).stdout
    if "There is an export table" not in text:
        return {}, set()
    base = re.search(r"^Ordinal Base\s+(\d+)", text, re.M)
    if not base:
        sys.exit(f"{objdump} -p {dll}: no ordinal base in the export table")
    addressed = set()
    for line in table_lines(text, "Export Address Table -- Ordinal Base"):
        m = re.match(r"\s*\[\s*\d+\]\s+\+base\[\s*(\d+)\]", line)
        if m:
            addressed.add(int(m[1]))
    names = {}
    for line in table_lines(text, "[Ordinal/Name Pointer] Table"):
        # Newer objdump prints "[index] +base[ordinal] hint name", older
        # ones "[index] name" with the index counted from the ordinal base.
        m = re.match(r"\s*\[\s*\d+\]\s+\+base\[\s*(\d+)\]\s+[0-9a-fA-F]+\s+(\S+)\s*$", line)
        if m:
            names[m[2]] = int(m[1])
            continue
        m = re.match(r"\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
        if m:
            names[m[2]] = int(m[1]) + int(base[1])
    count = re.search(r"\[Name Pointer/Ordinal\] Table\s+([0-9a-fA-F]+)", text)
    if not addressed or not count or int(count[1], 16) != len(names):
        sys.exit(f"{objdump} -p {dll}: export table present but not understood")
    return names, addressed


def differences(wanted, names, addressed):
    for name, ordinal in sorted(wanted.items(), key=lambda item: item[1]):
        if name not in names:
            yield f"missing: {name} @{ordinal}"
        elif names[name] != ordinal:
            yield f"wrong ordinal: {name} is exported at @{names[name]}, the .def says @{ordinal}"
    for name, ordinal in sorted(names.items(), key=lambda item: item[1]):
        if name in wanted:
            continue
        if DECORATED.fullmatch(name):
            yield f"decorated name: {name} @{ordinal} (the stdcall suffix must not be exported)"
        else:
            yield f"not in the .def: {name} @{ordinal}"
    for ordinal in sorted(addressed - set(names.values())):
        yield f"ordinal without a name: @{ordinal}"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("dll")
    parser.add_argument("deffile")
    parser.add_argument("--objdump", help="default: the mingw objdump of the DLL's machine")
    args = parser.parse_args()
    wanted = read_def(args.deffile)
    objdump = args.objdump or OBJDUMP.get(pe_machine(args.dll))
    if not objdump:
        sys.exit(f"{args.dll}: unknown PE machine {pe_machine(args.dll):#x}; pass --objdump")
    names, addressed = read_exports(args.dll, objdump)
    problems = list(differences(wanted, names, addressed))
    for problem in problems:
        print(f"{args.dll}: {problem}")
    verdict = f"{len(problems)} differences from" if problems else "exports exactly"
    print(f"{args.dll}: {verdict} {args.deffile} ({len(wanted)} names)")
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
