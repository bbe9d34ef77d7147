#!/usr/bin/env python3
"""Fails when a source file includes from a layer above its own.

    tools/check_layers.py SRC [--plant FILE HEADER]

Every folder of src/ has a layer. A file may include from its own folder and
from folders of lower layers; folders that share a layer are siblings and stay
out of each other's way. With --plant, the check runs as if FILE (relative to
SRC) also included HEADER: the test command uses it to prove that a wrong
include is caught.
"""
import pathlib
import re
import sys

# From the bottom up. Folders on one line are siblings of one layer.
LAYERS = [
    ["common"],
    ["jobs"],
    ["engine"],
    ["rows"],
    ["run", "schedule", "update"],
    ["ui/skin"],
    ["ui/kit"],
    ["ui/page", "ui/editor", "ui/schedule"],
    ["ui/shell", "cli"],
    ["."],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(relative):
    return pathlib.PurePosixPath(relative).parent.as_posix()


def includes(src, plant):
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".h"):
            continue
        relative = path.relative_to(src).as_posix()
        found = INCLUDE.findall(path.read_text(errors="replace"))
        if plant and plant[0] == relative:
            found.append(plant[1])
        for header in found:
            if (src / header).exists() or (plant and header == plant[1]):
                yield relative, header


def problems(src, plant=None):
    for relative, header in includes(src, plant):
        here, there = folder_of(relative), folder_of(header)
        if here not in RANK:
            yield f"{relative}: its folder {here} has no layer in tools/check_layers.py"
        elif there not in RANK:
            yield f"{relative}: includes {header}, whose folder has no layer"
        elif here != there and RANK[there] >= RANK[here]:
            yield f"{relative}: includes {header}, which is not below {here}"


def main(arguments):
    if not arguments or (len(arguments) != 1 and (len(arguments) != 4 or arguments[1] != "--plant")):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    src = pathlib.Path(arguments[0])
    plant = tuple(arguments[2:4]) if len(arguments) == 4 else None
    found = list(problems(src, plant))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
