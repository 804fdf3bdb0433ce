#!/usr/bin/env python3
"""Fails when lorvane.dll's own code calls a function that the device's platform does not have.

Reads the undefined symbols of every object of lorvane.dll and of the static libraries it is built
from (the list of objects comes from CMake), with the mingw triple's nm:
  - a Win32 import is an undefined __imp_NAME (x64) or __imp__NAME@N (i686);
  - a C runtime call is an undefined plain C name that no object of the module defines, or that
    only a shim defines (then it is the device's function the shim stands for);
  - what the compiler's own runtime supplies is no call of ours ([toolchain] of the list).
Each of these must be in [functions] of module/device_functions.txt, except in the objects that
[shims] names. Prints every call by library, and every call outside the list with its object.

usage: check_device_api.py --nm NM --arch x86_64|i686 FUNCTIONS_FILE OBJECTS_FILE
"""
import argparse
import fnmatch
import os
import re
import subprocess
import sys


def read_list(path):
    """The three sections of the list: {name: library}, {object: [function]}, [pattern]."""
    functions, shims, toolchain = {}, {}, []
    section = None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if re.fullmatch(r"\[\w+\]", words[0]):
                section = words[0][1:-1]
            elif section == "functions" and len(words) == 2:
                functions[words[0]] = words[1]
            elif section == "shims" and len(words) >= 2:
                shims[words[0]] = words[1:]
            elif section == "toolchain" and len(words) == 1:
                toolchain.append(words[0])
            else:
                sys.exit(f"{path}:{number}: cannot read this line: {line.rstrip()}")
    return functions, shims, toolchain


def symbols(nm, paths):
    """{object: ([defined], [undefined])} of the objects' external symbols, in one run of nm."""
    out = subprocess.run([nm, "-g", "-A"] + paths, check=True, capture_output=True,
                         text=True).stdout
    table = {p: ([], []) for p in paths}
    for line in out.splitlines():
        path, _, rest = line.partition(":")
        words = rest.split()
        if path in table and len(words) >= 2:
            table[path][1 if words[-2] == "U" else 0].append(words[-1])
    return table


def plain_name(symbol, arch):
    """The C name of a symbol: i686 adds a leading underscore, and @N to stdcall names."""
    if arch == "i686":
        symbol = re.sub(r"@\d+$", "", symbol)
        return symbol[1:] if symbol.startswith("_") else symbol
    return symbol


def imported_name(symbol, arch):
    """NAME of an import symbol, or None when the symbol is no import."""
    if not symbol.startswith("__imp_"):
        return None
    return plain_name(symbol[len("__imp_"):], arch)


def object_name(path):
    """An object as the list names it: its source file (dllmain_win.cpp for dllmain_win.cpp.obj)."""
    return re.sub(r"\.(obj|o)$", "", os.path.basename(path))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--arch", required=True, choices=["x86_64", "i686"])
    parser.add_argument("functions_file")
    parser.add_argument("objects_file")
    args = parser.parse_args()

    functions, shims, toolchain = read_list(args.functions_file)
    with open(args.objects_file, encoding="utf-8") as f:
        objects = [line.strip() for line in f if line.strip().endswith((".obj", ".o"))]

    failures = []
    names = {object_name(o) for o in objects}
    for shim in shims:
        if shim not in names:
            failures.append(f"the shim {shim} named in the list is not among the module's objects")

    table = symbols(args.nm, objects)
    # What the module's own code defines; a name that only a shim defines is still a call of the
    # device's function, which the shim stands for on the desktop.
    defined_by_ours = set()
    for o in objects:
        if object_name(o) not in shims:
            defined_by_ours.update(plain_name(s, args.arch) for s in table[o][0])

    calls = {}  # name -> objects that call it
    for o in objects:
        if object_name(o) in shims:
            continue
        for symbol in table[o][1]:
            name = imported_name(symbol, args.arch)
            if name is None:
                name = plain_name(symbol, args.arch)
                if name in defined_by_ours or any(fnmatch.fnmatchcase(name, p) for p in toolchain):
                    continue
            calls.setdefault(name, set()).add(object_name(o))

    by_library = {}
    for name in sorted(calls):
        library = functions.get(name)
        if library is None:
            for caller in sorted(calls[name]):
                failures.append(f"{caller} calls {name}, which the device does not have "
                                f"(not in {os.path.basename(args.functions_file)})")
        else:
            by_library.setdefault(library, []).append(name)

    print(f"device API ({args.arch}): {len(objects)} objects, {len(calls)} functions called")
    for library in sorted(by_library):
        print(f"  {library} ({len(by_library[library])}): {' '.join(by_library[library])}")
    for shim, provided in shims.items():
        print(f"  shim {shim}: stands for {' '.join(provided)}")
    for failure in failures:
        print(f"FAILED: {failure}")
    if failures:
        return 1
    print("device API: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
