#!/usr/bin/env python3
"""Runs check_pe_exports.py on small DLLs linked by the given mingw compiler
and checks that each fault of the export table is reported."""
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = """#if defined(_WIN32) && !defined(_WIN64)
#  define CALL __stdcall
#else
#  define CALL
#endif
__declspec(dllexport) int CALL Toy_Add(int a, int b) { return a + b; }
__declspec(dllexport) int __cdecl Toy_Free(void) { return 0; }
__declspec(dllexport) int CALL Toy_Mul(int a, int b, int c) { return a * b * c; }
"""
LINKED = "LIBRARY toy\nEXPORTS\n    Toy_Add @1\n    Toy_Free @2\n    Toy_Mul @4\n"
# (case, .def linked, linker flags, .def checked, lines expected; None: exact)
CASES = [
    ("as the libraries link", LINKED, ["-Wl,--kill-at"], LINKED, None),
    ("moved ordinal", LINKED, ["-Wl,--kill-at"], LINKED.replace("@2", "@3"),
     ["wrong ordinal: Toy_Free is exported at @2, the .def says @3"]),
    ("renamed export", LINKED, ["-Wl,--kill-at"], LINKED.replace("Toy_Mul", "Toy_Div"),
     ["missing: Toy_Div @4", "not in the .def: Toy_Mul @4"]),
    ("unnamed ordinal", LINKED.replace("@4", "@4 NONAME"), ["-Wl,--kill-at"], LINKED,
     ["missing: Toy_Mul @4", "ordinal without a name: @4"]),
]
STDCALL_CASE = ("stdcall names kept", LINKED, [], LINKED,
                ["decorated name: Toy_Add@8 @3", "decorated name: Toy_Mul@12 @5"])


def main():
    cc = sys.argv[1]
    machine = subprocess.run([cc, "-dumpmachine"], capture_output=True, text=True).stdout
    failures = 0
    with tempfile.TemporaryDirectory() as temporary:
        work = pathlib.Path(temporary)
        (work / "toy.c").write_text(SOURCE)
        for number, (case, linked, flags, checked, expected) in enumerate(
                CASES + ([STDCALL_CASE] if machine.startswith("i686") else [])):
            dll, linked_def, checked_def = (work / f"{number}{s}" for s in (".dll", "l.def", "c.def"))
            linked_def.write_text(linked)
            checked_def.write_text(checked)
            link = subprocess.run([cc, "-shared", str(work / "toy.c"), str(linked_def), *flags,
                                   "-o", str(dll)], capture_output=True, text=True)
            if link.returncode != 0:
                sys.exit(f"{case}: linking failed:\n{link.stderr}")
            done = subprocess.run([sys.executable, str(HERE / "check_pe_exports.py"), str(dll), str(checked_def)],
                                  capture_output=True, text=True)
            lines = [line.split(": ", 1)[1] for line in done.stdout.splitlines()[:-1]]
            if (done.returncode == 0) != (expected is None) or \
                    not all(any(line.startswith(e) for line in lines) for e in expected or []):
                failures += 1
                print(f"{case}: exit status {done.returncode}, expected {expected}, got:\n{done.stdout}{done.stderr}")
    print(f"{cc}: {'all cases reported' if not failures else f'{failures} cases wrong'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
