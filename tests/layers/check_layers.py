#!/usr/bin/env python3
"""Checks the include lines of the library folders against their layer order.

A file in a layer may include headers of its own layer and of the layers
below it, never of a layer above it or of the other deliverable. Usage:
check_layers.py SOURCE_ROOT; exit status 1 and one line per offending
include when the rule is broken.
"""
import os
import re
import sys

# Each deliverable's folders, lowest layer first.
STACKS = [
    ["music/song", "music/replay", "music/render", "music/windows"],
    ["game", "game/window"],
]
# Where quoted includes are looked up after the including file's own folder.
INCLUDE_ROOTS = ["music", "game", "."]
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    """(stack, rank) of the library folder that holds path, or None."""
    folder = os.path.dirname(path)
    for stack_index, stack in enumerate(STACKS):
        if folder in stack:
            return stack_index, stack.index(folder)
    return None


def resolve(root, includer, name):
    for base in [os.path.dirname(includer)] + INCLUDE_ROOTS:
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def violations(root):
    for stack in STACKS:
        for folder in stack:
            for entry in sorted(os.listdir(os.path.join(root, folder))):
                if not entry.endswith((".h", ".cpp", ".c", ".rc")):
                    continue
                path = os.path.join(folder, entry)
                here = layer_of(path)
                with open(os.path.join(root, path), encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = resolve(root, path, match.group(1))
                        there = layer_of(target) if target else None
                        if there is None:
                            continue  # a generated or system header
                        if there[0] != here[0] or there[1] > here[1]:
                            yield f"{path}:{number}: includes {target}, a layer above or beside it"


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = list(violations(sys.argv[1]))
    for line in found:
        print(line)
    print(f"{len(found)} includes against the layer order")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
