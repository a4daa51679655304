#!/usr/bin/env python3
"""Compares the layout of every public record between a target compiler and
the host's: record_layout.c is compiled by both, its table read back from the
object files with objcopy, and every record size and field offset and size
must be equal. With --run, the target program is also linked and run (through
the runner, if any) and its printed table must equal the extracted one."""
import argparse
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree clean when run by CTest
import record_layout  # noqa: E402

HERE = pathlib.Path(__file__).resolve().parent
ENTRY = struct.Struct(f"<{record_layout.KEY_SIZE}sI")
SECTION = ".nrlay"
# Enough of <string.h> for the public headers where the host has no 32-bit
# C library headers; layouts do not depend on it.
STRING_H = """#include <stddef.h>
int memcmp(const void*, const void*, size_t);
void* memcpy(void*, const void*, size_t);
void* memset(void*, int, size_t);
size_t strlen(const char*);
"""


class Failure(Exception):
    pass


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def error_line(text):
    return next((line.strip() for line in text.splitlines() if "error" in line), text.strip())


def compile_object(cc, flags, work, name):
    obj = work / f"{name}.o"
    done = run([*cc, *flags, "-c", str(HERE / "record_layout.c"), "-o", str(obj)])
    if done.returncode != 0:
        raise Failure(f"{' '.join(cc + flags)} failed:\n{done.stderr}")
    return obj


def extract(objcopy, obj):
    """The table of an object file as [(key, value)], from its own section."""
    dump = obj.with_suffix(".bin")
    done = run([objcopy, "--dump-section", f"{SECTION}={dump}", str(obj), str(obj.with_suffix(".scratch"))])
    if done.returncode != 0:
        raise Failure(f"{objcopy}: cannot read {SECTION} of {obj}:\n{done.stderr}")
    data = dump.read_bytes()
    key, count = ENTRY.unpack_from(data, 0)
    if key.rstrip(b"\0") != b"layout entries" or len(data) < ENTRY.size * (count + 1):
        raise Failure(f"{obj}: {SECTION} does not hold a layout table")
    return [(k.split(b"\0", 1)[0].decode("ascii"), v)
            for k, v in (ENTRY.unpack_from(data, ENTRY.size * i) for i in range(1, count + 1))]


def target_objcopy(cc):
    """<prefix>objcopy beside a cross compiler named <prefix>gcc[-suffix]."""
    m = re.fullmatch(r"(.+-)(?:gcc|cc|clang)(?:-[\w.]+)*", pathlib.Path(cc).name)
    return m[1] + "objcopy" if m and shutil.which(m[1] + "objcopy") else "objcopy"


def host_reference(args, work):
    """The host's table, freestanding for 32 bits (no multilib C library
    needed); <string.h> is stood in for when the host has none for -m32."""
    cc = [args.host_cc, "-I", args.include, "-I", str(work), "-DNETROV_LAYOUT_TABLE_ONLY"]
    if args.bits == 64:
        return compile_object(cc, [], work, "host"), args.host_cc
    flags = ["-m32", "-ffreestanding"]
    label = f"{args.host_cc} -m32 -ffreestanding"
    try:
        return compile_object(cc, flags, work, "host"), label
    except Failure as first:
        if "string.h" not in str(first):
            raise
        shim = work / "libc-stand-in"
        shim.mkdir(exist_ok=True)
        (shim / "string.h").write_text(STRING_H)
        print(f"note: {label}: the public headers include <string.h>, which this host lacks "
              f"for 32 bits; using a declaration-only stand-in\n  ({error_line(str(first))})")
        return compile_object(cc, ["-isystem", str(shim), *flags], work, "host"), label


def compare(left, right, left_label, right_label):
    problems = []
    keys = [k for k, _ in left]
    if keys != [k for k, _ in right]:
        only_left = sorted(set(keys) - {k for k, _ in right})
        only_right = sorted({k for k, _ in right} - set(keys))
        problems.append(f"entries differ: only {left_label}: {only_left}; only {right_label}: {only_right}")
    right_values = dict(right)
    for key, value in left:
        if key in right_values and right_values[key] != value:
            problems.append(f"{key}: {value} with {left_label}, {right_values[key]} with {right_label}")
    return problems


def run_target(args, obj, work, extracted, label):
    """Links and runs the target program; returns the problems found, or
    none with a note when the program could not be started."""
    exe = work / "record_layout.exe"
    done = run([args.target_cc, str(obj), "-o", str(exe)])
    if done.returncode != 0:
        return [f"linking {exe.name} failed:\n{done.stderr}"]
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    command = [*args.run, str(exe)]
    try:
        done = run(command, env=env, timeout=600)
    except OSError as e:
        print(f"note: program not run, {command[0]} cannot start: {e}; compared the extracted tables only")
        return []
    printed = [(m[1], int(m[2])) for m in re.finditer(r"^(.+?) = (\d+)\r?$", done.stdout, re.M)]
    if not printed:
        said = done.stderr.strip().splitlines()
        print(f"note: program not run: '{' '.join(command)}' printed no table (exit status "
              f"{done.returncode}{'; ' + said[-1] if said else ''}); compared the extracted tables only")
        return []
    problems = compare(printed, extracted, "the printed table", f"the extracted table ({label})")
    if done.returncode != 0:
        problems.append(f"{' '.join(command)} exited with {done.returncode}")
    if not problems:
        print(f"{label}: the printed table equals the extracted one")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--target-cc", required=True)
    parser.add_argument("--objcopy", help="for the target objects; default <target prefix>objcopy")
    parser.add_argument("--host-cc", default="cc")
    parser.add_argument("--host-objcopy", default="objcopy")
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    parser.add_argument("--include", required=True, help="the directory holding netrov/*.h")
    parser.add_argument("--work-dir", help="default: a temporary directory")
    parser.add_argument("--run", nargs=argparse.REMAINDER,
                        help="(last) link and run the target program, through the runner that follows if any")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as temporary:
        work = pathlib.Path(args.work_dir or temporary).resolve()
        work.mkdir(parents=True, exist_ok=True)
        try:
            text, records, fields = record_layout.table(args.include)
            (work / "record_layout_table.h").write_text(text)
            target_label = args.target_cc
            target_obj = compile_object([args.target_cc, "-I", args.include, "-I", str(work)], [], work, "target")
            target = extract(args.objcopy or target_objcopy(args.target_cc), target_obj)
            host_obj, host_label = host_reference(args, work)
            host = extract(args.host_objcopy, host_obj)
        except (Failure, ValueError) as e:
            print(f"error: {e}")
            return 1
        problems = []
        for label, table in ((target_label, target), (host_label, host)):
            pointer = dict(table).get("sizeof void*")
            if pointer != args.bits // 8:
                problems.append(f"{label} builds {pointer * 8}-bit code, not {args.bits}-bit")
        if not problems:
            problems = compare(target, host, target_label, host_label)
            if args.run is not None:
                problems += run_target(args, target_obj, work, target, target_label)
        for problem in problems:
            print(problem)
        print(f"{records} records, {fields} fields: "
              + (f"{len(problems)} problem(s)" if problems else f"{target_label} lays them out as {host_label}"))
        return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
