#!/usr/bin/env bash
# Measures the engine against rsync and cp on the same data, side by side:
#   - pairing of one wide folder of 20,000, 200,000 and 2,000,000 files per side;
#   - analysis of two identical trees of 100,000 files in 5,000 folders
#     (against rsync -rtn --itemize-changes and a bare find over both trees);
#   - copying those 100,000 files into an empty right side (against rsync -rt, cp -a);
#   - copying four files of 256 MB (against cp);
#   - peak memory of an analysis of 1,000,000 files, both sides identical.
# Usage: bench/engine_figures.sh [DATA_FOLDER]   (default /tmp/brenvale-bench;
# needs about 2 GB there, and 12 GB more while it copies). Run it on an otherwise
# idle machine.
# PARTS chooses the measures (default "pairing analysis copy large million").
# BASELINE=path/to/brenvale-bench, built from another commit, adds that build to
# the analysis and copy measures, side by side with this one in the same turns.
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-/tmp/brenvale-bench}
runs=${RUNS:-5}
for tool in rsync python3 bc; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install $tool)"; exit 2; }
done
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target brenvale-bench >/dev/null
bench=build/bench/brenvale-bench
parts=" ${PARTS:-pairing analysis copy large million} "
baseline=${BASELINE:-}
mkdir -p "$data"
want() { [[ "$parts" == *" $1 "* ]]; }

# Times the commands given as strings in turns, $runs rounds of one run each, so
# that a disturbance of the machine (write-back of an earlier copy, another
# guest of the host, a disk that is fast only in bursts) falls on every tool
# alike; every other round takes the tools in reverse order, so that none is
# always first. $prepare runs untimed before each run. Prints the median wall
# time of each command, in the given order.
medians() {
    local prepare=$1
    shift
    local -a commands=("$@")
    local count=$#
    local -a times
    for round in $(seq "$runs"); do
        for ((k = 0; k < count; k++)); do
            local i=$k
            ((round % 2 == 0)) && i=$((count - 1 - k))
            eval "$prepare"
            local start end
            start=$(date +%s.%N)
            eval "${commands[i]}" >/dev/null 2>&1
            end=$(date +%s.%N)
            times[i]+="$(echo "$end - $start" | bc -l) "
        done
    done
    for ((i = 0; i < count; i++)); do
        printf '%s\n' ${times[i]} | sort -g | awk '{a[NR]=$1} END {printf "%.3f ", a[int((NR+1)/2)]}'
    done
    echo # a whole line, which read needs to succeed
}
ratio() { echo "scale=3; $1 / $2" | bc -l; }

echo "== machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
if want pairing; then
    echo "== pairing"
    "$bench" pairing
fi

echo "== 100,000 files in 5,000 folders"
if [ ! -d "$data/L100k" ]; then
    python3 bench/make_tree.py "$data/L100k" 100000 5000 2048
    cp -a "$data/L100k" "$data/R100k"
fi
find "$data/L100k" "$data/R100k" >/dev/null # warm the caches for every tool alike
# With a baseline, its command comes last and its figure is printed after ours.
base_analyze=()
base_sync=()
if [ -n "$baseline" ]; then
    base_analyze=('"$baseline" analyze "$data/L100k" "$data/R100k"')
    base_sync=('"$baseline" sync "$data/L100k" "$target"')
fi
if want analysis; then
    read -r ours rs fd base < <(medians true \
        '"$bench" analyze "$data/L100k" "$data/R100k"' \
        'rsync -rtn --itemize-changes "$data/L100k/" "$data/R100k/"' \
        'find "$data/L100k" "$data/R100k"' "${base_analyze[@]}")
    echo "analysis: brenvale ${ours}s, rsync -rtn ${rs}s (ratio $(ratio "$ours" "$rs")), find ${fd}s${base:+, baseline ${base}s (ratio $(ratio "$ours" "$base"))}"
fi

# Every copy goes into a new empty folder, and the copies are removed only at the
# end: right after many files were deleted, the file system spends most of the
# time of the next creations skipping the inodes it freed (it keeps them unused
# for a while), which measures the deletion rather than the copy.
copy_runs=${COPY_RUNS:-4}
runs=$copy_runs
rm -rf "$data/copies"
mkdir "$data/copies"
next_copy='target=$(mktemp -d "$data/copies/run.XXXXXX"); sync'
if want copy; then
    read -r ours rs cpa base < <(medians "$next_copy" \
        '"$bench" sync "$data/L100k" "$target"' \
        'rsync -rt "$data/L100k/" "$target/"' \
        'cp -a "$data/L100k/." "$target/"' "${base_sync[@]}")
    echo "copy into an empty side: brenvale ${ours}s, rsync -rt ${rs}s (ratio $(ratio "$ours" "$rs")), cp -a ${cpa}s${base:+, baseline ${base}s (ratio $(ratio "$ours" "$base"))}"
fi

want large || { rm -rf "$data/copies"; exit 0; }
echo "== four files of 256 MB"
if [ ! -d "$data/big" ]; then
    mkdir -p "$data/big"
    for i in 1 2 3 4; do head -c 268435456 /dev/urandom >"$data/big/file$i"; done
fi
cat "$data"/big/* >/dev/null
read -r ours cpt < <(medians "$next_copy" \
    '"$bench" sync "$data/big" "$target"' \
    'cp -r --preserve=timestamps "$data/big/." "$target/"')
echo "large files: brenvale ${ours}s ($(echo "scale=0; 1024 / $ours" | bc -l) MB/s), cp ${cpt}s ($(echo "scale=0; 1024 / $cpt" | bc -l) MB/s), throughput ratio $(ratio "$cpt" "$ours")"
rm -rf "$data/copies"

want million || exit 0
echo "== 1,000,000 files, both sides identical"
if [ ! -d "$data/L1m" ]; then
    python3 bench/make_tree.py "$data/L1m" 1000000 20000 0
    cp -al "$data/L1m" "$data/R1m"
fi
runs=1
"$bench" analyze "$data/L1m" "$data/R1m"
