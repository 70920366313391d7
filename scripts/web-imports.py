#!/usr/bin/env python3
"""Lists what a WebAssembly side module imports from the main module, as Emscripten's EXPORTED_FUNCTIONS
wants it (one "_name" a line): the functions it calls and the data and function addresses it takes
(GOT.mem, GOT.func), and the further names given after the two files. The main module then exports
exactly these. Beside it, <list>.library holds the same names bare, for DEFAULT_LIBRARY_FUNCS_TO_INCLUDE:
the ones that are functions of Emscripten's JavaScript library (the main loop, dlopen's helpers…) are
kept in the main module only when asked for there, and Emscripten 3.1.6 cannot tell them apart itself.

usage: web-imports.py <side module> <list to write> [name or further side module...]
(a further argument that is a file is another side module the same main module loads: its imports are
added)"""
import os
import sys


def leb(data, at):
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, at


def name(data, at):
    size, at = leb(data, at)
    return data[at:at + size].decode(), at + size


def entries(data):
    if data[:4] != b"\0asm":
        raise SystemExit("not a WebAssembly module")
    at = 8
    while at < len(data):
        kind = data[at]
        size, at = leb(data, at + 1)
        end = at + size
        if kind == 2:  # the import section
            count, at = leb(data, at)
            for _ in range(count):
                module, at = name(data, at)
                field, at = name(data, at)
                what = data[at]
                at += 1
                if what == 0:  # function: its type index
                    _, at = leb(data, at)
                elif what == 1:  # table: element type, limits
                    flags = data[at + 1]
                    _, at = leb(data, at + 2)
                    if flags & 1:
                        _, at = leb(data, at)
                elif what == 2:  # memory: limits
                    flags = data[at]
                    _, at = leb(data, at + 1)
                    if flags & 1:
                        _, at = leb(data, at)
                elif what == 3:  # global: value type, mutability
                    at += 2
                yield "import", module, field, what
        elif kind == 7:  # the export section
            count, at = leb(data, at)
            for _ in range(count):
                field, at = name(data, at)
                what = data[at]
                _, at = leb(data, at + 1)
                yield "export", "", field, what
        at = end


def imports(path):
    with open(path, "rb") as f:
        data = f.read()
    wanted, own = set(), set()
    for direction, module, field, what in entries(data):
        if direction == "export":
            own.add(field)
        # The memory, the table, the stack pointer and the module's bases are the loader's, not symbols.
        elif module == "env" and what == 0:
            wanted.add(field)
        elif module in ("GOT.mem", "GOT.func"):
            wanted.add(field)
    # An address the module takes of its own function or data comes through the GOT too, yet the loader
    # finds it in the module itself.
    return wanted - own


def main():
    wanted = imports(sys.argv[1])
    for extra in sys.argv[3:]:
        wanted |= imports(extra) if os.path.isfile(extra) else {extra}
    with open(sys.argv[2], "w") as f:
        f.write("".join("_" + n + "\n" for n in sorted(wanted)))
    with open(sys.argv[2] + ".library", "w") as f:
        f.write("".join(n + "\n" for n in sorted(wanted)))


main()
