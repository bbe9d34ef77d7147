#!/usr/bin/env bash
# Measures the runs that start themselves:
#   idle     two watched trees of 100,000 files in 5,000 folders each, nothing
#            changing: the memory the watch takes per folder and the processor
#            time per minute (brenvale-watch-bench, IDLE_SECONDS, default 60);
#   latency  one file changed in such a watched tree: the seconds until
#            brenvale-cli watch has copied it, against the quiet time + 2 s
#            (LATENCY_RUNS rounds, default 3, median);
#   mount    (as root) a drive mounted below the left folder of a watched job:
#            the seconds until the run that it starts has begun, against the
#            settle time + 2 s.
#
# Usage: bench/watch_figures.sh [DATA_FOLDER]   (default /tmp/brenvale-bench;
# the tree of 100,000 files is made there once, as bench/engine_figures.sh makes
# it, and copied twice for the watch, which never touches it).
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-/tmp/brenvale-bench}
idle_seconds=${IDLE_SECONDS:-60}
latency_runs=${LATENCY_RUNS:-3}
quiet=5
settle=3
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target brenvale-watch-bench brenvale-cli >/dev/null
for tool in bc python3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install $tool)"; exit 2; }
done
if [[ ! -d "$data/L100k" ]]; then
    mkdir -p "$data"
    python3 bench/make_tree.py "$data/L100k" 100000 5000 2048
fi
work=$(mktemp -d "$data/watch.XXXXXX")
watcher=""
cleanup() {
    [[ -n "$watcher" ]] && kill "$watcher" 2>/dev/null && wait "$watcher" 2>/dev/null
    mountpoint -q "$work/drive" 2>/dev/null && umount "$work/drive"
    rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s.%N; }

echo "== machine: $(nproc) cores, data in $data ($(stat -f -c %T "$data"))"
echo "== idle: two watched trees of 100,000 files"
cp -a "$data/L100k" "$work/L"
cp -a "$data/L100k" "$work/R"
build/bench/brenvale-watch-bench "$work/L" "$work/R" "$idle_seconds"

echo "== latency: one changed file of a watched tree, quiet time $quiet s"
mkdir -p "$work/home"
BRENVALE_HOME="$work/home" build/src/cli/brenvale-cli watch --left "$work/L" --right "$work/R" \
    --quiet "$quiet" >"$work/watch.out" 2>&1 &
watcher=$!
# The first run ends with its line; nothing to copy between identical trees.
while [[ $(wc -l <"$work/watch.out") -lt 1 ]]; do sleep 0.1; done
head -1 "$work/watch.out"
target=$(find "$work/R" -type f -print -quit)
source="$work/L/${target#"$work/R/"}"
latencies=()
for round in $(seq 1 "$latency_runs"); do
    printf 'round %s %s' "$round" "$(now)" >"$work/expected"
    start=$(now)
    cp "$work/expected" "$source"
    until cmp -s "$target" "$work/expected"; do sleep 0.02; done
    latencies+=("$(echo "$(now) - $start" | bc)")
    sleep $((quiet + 2))
done
median=$(printf '%s\n' "${latencies[@]}" | sort -n | sed -n "$(((latency_runs + 1) / 2))p")
printf '  copied after %s s (rounds: %s); target <= %s s: %s\n' "$median" "${latencies[*]}" \
    "$((quiet + 2))" "$(echo "$median <= $quiet + 2" | bc | sed 's/1/met/;s/0/missed/')"
kill -TERM "$watcher"; wait "$watcher" || true; watcher=""

echo "== mount: a drive mounted below the left folder, settle time $settle s"
if [[ $(id -u) -ne 0 ]]; then
    echo "  left out: mounting needs root"
    exit 0
fi
truncate -s 64M "$work/drive.img"
mkfs.ext4 -q -F "$work/drive.img"
mkdir -p "$work/drive" "$work/right"
mount -o loop "$work/drive.img" "$work/drive"
mkdir -p "$work/drive/data" && echo on-the-drive >"$work/drive/data/f.txt"
umount "$work/drive"
BRENVALE_HOME="$work/home" build/src/cli/brenvale-cli watch --left "$work/drive/data" \
    --right "$work/right" --quiet "$quiet" >"$work/mount.out" 2>"$work/mount.err" &
watcher=$!
sleep 1
start=$(now)
mount -o loop "$work/drive.img" "$work/drive"
until grep -q "Started: the folders are connected" "$work/mount.out"; do sleep 0.02; done
took=$(echo "$(now) - $start" | bc)
until [[ -f "$work/right/f.txt" ]]; do sleep 0.02; done
copied=$(echo "$(now) - $start" | bc)
printf '  run began %s s after the mount (copied after %s s); target <= %s s: %s\n' "$took" \
    "$copied" "$((settle + 2))" "$(echo "$took <= $settle + 2" | bc | sed 's/1/met/;s/0/missed/')"
