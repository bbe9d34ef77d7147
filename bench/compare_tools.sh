#!/usr/bin/env bash
# Times brenvale-cli against rsync and unison on the same data, side by side in
# one run, and prints the medians and the ratios (tool time / brenvale time).
#
#   analyze-identical  small/ against an identical copy: brenvale-cli analyze,
#                      rsync -a --dry-run (one way only), unison with a current
#                      archive (its update detection)
#   sync-1pct          the 1% changed copy onto the original: brenvale-cli sync,
#                      rsync -a, unison with the archive of the unchanged state
#   sync-new-small     small/ into an empty folder
#   sync-new-wide      wide/ (one folder of many files) into an empty folder
#   sync-new-large     large/ (a few large files) into an empty folder
#
# Every timed run starts from the same state: the target is reset (untimed) by
# hyperfine's --prepare, unison's archive too, and the file system's pending
# writes are flushed (sync), so that no run pays for the one before. Sources are read from a warm page
# cache after the first run. Run it when the machine is otherwise idle; the load
# is printed before and after.
#
# Usage: bench/compare_tools.sh [DATA_FOLDER]  (default /tmp/brenvale-tools-bench,
#        about 2.5 GB, and 18 GB more while it copies; datasets are built there
#        by bench/make_datasets.sh)
# Environment: RUNS (default 5), BRENVALE_CLI (default: build/src/cli/brenvale-cli,
#        built when missing), the dataset sizes of make_datasets.sh.
# Needs hyperfine, rsync, unison and python3: on Debian
#        apt-get install hyperfine rsync unison python3
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-/tmp/brenvale-tools-bench}
runs=${RUNS:-5}

missing=()
for tool in hyperfine rsync unison python3; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "needs: ${missing[*]}  (Debian: apt-get install ${missing[*]})" >&2
    exit 2
fi

cli=${BRENVALE_CLI:-}
if [ -z "$cli" ]; then
    cmake -S . -B build -G Ninja >/dev/null
    cmake --build build -j2 --target brenvale-cli >/dev/null
    cli=$PWD/build/src/cli/brenvale-cli
fi

bench/make_datasets.sh "$data"
work=$data/work
results=$data/results
rm -rf "$work" "$results"
mkdir -p "$work" "$results"
export UNISON=$work/unison # unison keeps its archives here, not in ~/.unison
unison_sync() { unison "$1" "$2" -batch -times -silent -ui text; }
export -f unison_sync
export cli work data

echo "== $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== brenvale-cli $("$cli" --version | cut -d' ' -f2); $(rsync --version | head -1 | cut -c1-22);" \
    "$(unison -version)"

compare() { # name, prepare, brenvale command, rsync command, unison command
    local name=$1 prepare=$2
    hyperfine --shell bash --runs "$runs" --warmup 1 --prepare "$prepare" --style none \
        --export-json "$results/$name.json" \
        -n brenvale "$3" -n rsync "$4" -n unison "$5" >/dev/null
}

# analyze-identical: an identical copy, and unison's archive of it made once.
cp -a "$data/small" "$work/copy"
unison_sync "$data/small" "$work/copy" >/dev/null
compare analyze-identical "sync" \
    "\"\$cli\" analyze --left \"\$data/small\" --right \"\$work/copy\"" \
    "rsync -a --dry-run --itemize-changes \"\$data/small/\" \"\$work/copy/\"" \
    "unison_sync \"\$data/small\" \"\$work/copy\""

# sync-1pct: the archive is made while both sides are the original, then the
# changes reach the left side.
rm -rf "$UNISON"
cp -a "$data/small" "$work/left"
cp -a "$data/small" "$work/right"
unison_sync "$work/left" "$work/right" >/dev/null
cp -a "$UNISON" "$work/unison-archive"
rsync -a "$data/changed/" "$work/left/"
reset_right="rsync -a --delete \"\$data/small/\" \"\$work/right/\" && rm -rf \"\$UNISON\" && cp -a \"\$work/unison-archive\" \"\$UNISON\" && sync"
compare sync-1pct "$reset_right" \
    "\"\$cli\" sync --left \"\$work/left\" --right \"\$work/right\"" \
    "rsync -a \"\$work/left/\" \"\$work/right/\"" \
    "unison_sync \"\$work/left\" \"\$work/right\""

# Each run copies into a new empty folder; the earlier ones are moved aside and
# removed only at the end. Right after many files were deleted, the file system
# spends most of the next creations skipping the inodes it just freed, which
# would measure the deletion rather than the copy.
mkdir -p "$work/old"
for set in small wide large; do
    empty_target="{ [ ! -e \"\$work/new\" ] || mv \"\$work/new\" \"\$(mktemp -u \"\$work/old/run.XXXXXX\")\"; } && rm -rf \"\$UNISON\" && mkdir \"\$work/new\" && sync"
    compare "sync-new-$set" "$empty_target" \
        "\"\$cli\" sync --left \"\$data/$set\" --right \"\$work/new\"" \
        "rsync -a \"\$data/$set/\" \"\$work/new/\"" \
        "unison_sync \"\$data/$set\" \"\$work/new\""
done
rm -rf "$work/old"

echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$results" <<'PY'
import json, os, statistics, sys
folder = sys.argv[1]
order = ["analyze-identical", "sync-1pct", "sync-new-small", "sync-new-wide", "sync-new-large"]
print(f"{'scenario':<18} {'brenvale s':>11} {'rsync s':>9} {'unison s':>9} {'rsync/bv':>9} {'unison/bv':>10}")
for name in order:
    with open(os.path.join(folder, name + ".json")) as f:
        results = {r["command"]: statistics.median(r["times"]) for r in json.load(f)["results"]}
    b, r, u = results["brenvale"], results["rsync"], results["unison"]
    print(f"{name:<18} {b:>11.3f} {r:>9.3f} {u:>9.3f} {r / b:>9.2f} {u / b:>10.2f}")
PY
