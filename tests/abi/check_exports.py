#!/usr/bin/env python3
"""Checks that a library's exported symbols, its module-definition file and
its version script name exactly the same functions, and that the ordinals of
the module-definition file run from 1 without gaps or repeats."""
import re
import subprocess
import sys


def def_names(path):
    names, ordinals = [], []
    in_exports = False
    for raw in open(path, encoding="ascii"):
        line = raw.split(";", 1)[0].strip()
        if not line:
            continue
        if line.upper() == "EXPORTS":
            in_exports = True
            continue
        if in_exports:
            m = re.fullmatch(r"(\S+)\s+@(\d+)", line)
            if not m:
                sys.exit(f"{path}: bad export line: {raw.strip()}")
            names.append(m.group(1))
            ordinals.append(int(m.group(2)))
    if sorted(ordinals) != list(range(1, len(ordinals) + 1)):
        sys.exit(f"{path}: ordinals are not 1..{len(ordinals)}: {sorted(ordinals)}")
    return names


def map_names(path):
    text = re.sub(r"/\*.*?\*/", "", open(path, encoding="ascii").read(), flags=re.S)
    m = re.search(r"global:(.*?)local:", text, flags=re.S)
    if not m:
        sys.exit(f"{path}: no global/local sections")
    return [n.strip() for n in m.group(1).split(";") if n.strip()]


def exported(path):
    out = subprocess.run(["nm", "-D", "--defined-only", path], check=True,
                         capture_output=True, text=True).stdout
    names = []
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] in "TtWwDdBbRrVvi":
            names.append(parts[2].split("@")[0])
    # Linker-provided section markers are not exports of ours.
    return [n for n in names if n not in ("_init", "_fini", "_edata", "_end", "__bss_start")]


def main():
    lib, deffile, mapfile = sys.argv[1:4]
    d, m, e = set(def_names(deffile)), set(map_names(mapfile)), set(exported(lib))
    ok = True
    for label, a, b in (("module-definition file", d, m), ("library", e, d)):
        if a != b:
            ok = False
            print(f"{label} differs: only in one: {sorted(a - b)}; only in the other: {sorted(b - a)}")
    print(f"{lib}: {len(e)} exports")
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
