#!/usr/bin/env python3
"""Writes a tree of small files for the benchmarks: FILES files spread over
FOLDERS folders (two levels deep), each file SIZE bytes of varied content, all
with one fixed modification time so that copies made with their times compare
equal."""
import os
import sys


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: make_tree.py ROOT FILES FOLDERS SIZE")
    root, files, folders, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    top = max(1, int(folders ** 0.5))
    per_folder = max(1, files // folders)
    stamp = 1700000000
    block = bytes(range(256)) * (size // 256 + 1)
    written = 0
    for f in range(folders):
        folder = os.path.join(root, "top%04d" % (f % top), "sub%05d" % f)
        os.makedirs(folder, exist_ok=True)
        count = per_folder if f < folders - 1 else files - written
        for i in range(count):
            path = os.path.join(folder, "file%06d.dat" % i)
            with open(path, "wb") as out:
                start = (written * 7) % 256
                out.write(block[start:start + size])
            os.utime(path, (stamp, stamp))
            written += 1
    print("wrote %d files in %d folders under %s" % (written, folders, root))


if __name__ == "__main__":
    main()
