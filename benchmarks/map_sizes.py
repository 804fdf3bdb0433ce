#!/usr/bin/env python3
"""Where the bytes of a linked image come from, read from GNU ld's map (-Wl,-Map=FILE).

    map_sizes.py MAP [TOP]

Prints the bytes each library (or our own objects) brings into the image file, section by
section, then the TOP largest objects. Debug sections are left out, as a stripped image has none,
and so is .bss, which takes no room in the file.
"""
import collections
import re
import sys

OUTPUT_SECTION = re.compile(r"^(\.\S+)\s+0x")
INPUT_WHOLE = re.compile(r"^ (\.\S+|COMMON)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
INPUT_NAME = re.compile(r"^ (\.\S+|COMMON)$")
INPUT_REST = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
MEMBER = re.compile(r"(.*?\.a)\((.*)\)$")


def source_of(path):
    """(library, object) for an input file: an archive member, one of our objects, or the rest."""
    member = MEMBER.match(path)
    if member:
        library = member.group(1).rsplit("/", 1)[-1]
        return library, library + "(" + member.group(2) + ")"
    name = path.rsplit("/", 1)[-1]
    return ("our objects" if "CMakeFiles" in path else name), name


def input_sections(lines):
    """Yields (output section, size, input file) for every input section of the memory map."""
    output = None
    named = False
    for line in lines:
        match = OUTPUT_SECTION.match(line)
        if match:
            output, named = match.group(1), False
            continue
        match = INPUT_WHOLE.match(line)
        if match:
            yield output, int(match.group(2), 16), match.group(3)
            continue
        if INPUT_NAME.match(line):
            named = True  # a long input section name: its address and size follow on the next line
            continue
        match = INPUT_REST.match(line)
        if named and match:
            yield output, int(match.group(1), 16), match.group(2)
        named = False


def main():
    lines = open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\n")
    top = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    by_library = collections.defaultdict(collections.Counter)
    by_object = collections.Counter()
    for output, size, path in input_sections(lines[start:]):
        if output is None or output.startswith(".debug") or output == ".bss" or size == 0:
            continue
        library, obj = source_of(path)
        by_library[library][output] += size
        by_object[obj] += size
    print("bytes     from")
    for library, sections in sorted(by_library.items(), key=lambda item: -sum(item[1].values())):
        parts = ", ".join(f"{name} {size}" for name, size in sections.most_common())
        print(f"{sum(sections.values()):8d}  {library}: {parts}")
    print(f"\nthe {top} largest objects")
    for obj, size in by_object.most_common(top):
        print(f"{size:8d}  {obj}")


if __name__ == "__main__":
    main()
