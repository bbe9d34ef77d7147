#!/usr/bin/env bash
# Builds the datasets of bench/compare_tools.sh below DATA_FOLDER (default
# /tmp/brenvale-tools-bench), never inside the repository:
#   small/    many small files in many folders (SMALL_FILES, default 30,000, in
#             20 x 30 folders, 0.5 to 8 KB each)
#   wide/     one folder holding WIDE_FILES (default 30,000) files of 100 bytes
#   large/    LARGE_COUNT (default 4) files of LARGE_MB (default 200) MB each
#   changed/  a copy of small/ (times kept) in which 1% of the files were
#             rewritten one day later
# A dataset that exists is kept; remove the folder to build it again.
# Usage: bench/make_datasets.sh [DATA_FOLDER]
set -euo pipefail
data=${1:-/tmp/brenvale-tools-bench}
command -v python3 >/dev/null || { echo "needs python3 (apt-get install python3)" >&2; exit 2; }
mkdir -p "$data"

python3 - "$data" "${SMALL_FILES:-30000}" "${WIDE_FILES:-30000}" "${LARGE_COUNT:-4}" \
    "${LARGE_MB:-200}" <<'PY'
import os, random, shutil, sys, time

data, small_files, wide_files, large_count, large_mb = sys.argv[1], *map(int, sys.argv[2:])
random.seed(4)
base_time = time.mktime((2024, 1, 15, 9, 30, 0, 0, 0, -1))

def write(path, size, when):
    with open(path, "wb") as out:
        out.write(random.randbytes(size))
    os.utime(path, (when, when))

def build(name, make):
    target = os.path.join(data, name)
    if os.path.isdir(target):
        print(f"{name}: kept")
        return
    partial = target + ".partial"
    shutil.rmtree(partial, ignore_errors=True)
    os.makedirs(partial)
    make(partial)
    os.rename(partial, target)
    print(f"{name}: built")

def small(root):
    folders = [os.path.join(root, f"dept{a:02}", f"project{b:02}") for a in range(20) for b in range(30)]
    for folder in folders:
        os.makedirs(folder)
    for i in range(small_files):
        folder = folders[i % len(folders)]
        write(os.path.join(folder, f"file{i:06}.dat"), random.randint(512, 8192), base_time + i)

def wide(root):
    for i in range(wide_files):
        write(os.path.join(root, f"entry{i:07}.txt"), 100, base_time + i)

def large(root):
    chunk = random.randbytes(1 << 20)
    for i in range(large_count):
        path = os.path.join(root, f"image{i}.bin")
        with open(path, "wb") as out:
            for piece in range(large_mb):
                # Vary every piece a little so that nothing can be deduplicated.
                out.write(piece.to_bytes(8, "little") + chunk[8:])
        os.utime(path, (base_time, base_time))

def changed(root):
    os.rmdir(root)
    shutil.copytree(os.path.join(data, "small"), root, copy_function=shutil.copy2)
    files = sorted(os.path.join(d, f) for d, _, names in os.walk(root) for f in names)
    for path in random.sample(files, max(1, len(files) // 100)):
        write(path, random.randint(512, 8192), base_time + 86400 * 2)

build("small", small)
build("wide", wide)
build("large", large)
build("changed", changed)
PY
