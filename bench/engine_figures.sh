#!/usr/bin/env bash
# Measures the engine against rsync, cp and find on the same data, side by side,
# and ends with a table of every figure, its target and whether it was met:
#   pairing  one wide folder of 20,000, 200,000 and 2,000,000 files per side, and
#            how the time grows with ten times the files;
#   analysis two identical trees of 100,000 files in 5,000 folders, against
#            rsync -rtn --itemize-changes and two finds at once, one per side
#            (names only, and reading every item's size and time as we do);
#   copy     those 100,000 files into an empty right side, against rsync -rt and
#            cp -a, each also followed by a flush of the target file system, in
#            wall and processor time, with the runner's peak memory; as root
#            also onto another file system (a fresh ext4 image, loop device);
#   large    four files of 256 MB, against cp (also followed by a flush);
#   huge     one file of 4 GB, the same way;
#   million  the peak memory of an analysis of 1,000,000 files, both sides
#            identical, beside the peak memory of rsync -rtn on the same trees;
#   page     the comparison page's time and memory per row (brenvale-page-bench),
#            and the longest wait of its window while it analyses and syncs;
#   verify   the copy of the 100,000 files and of eight files of 256 MB, each
#            without and with verification (read back from the disk, compared);
#   record   the record of the last sync: its bytes per file on the disk for
#            1,000,000 files and the time to write, read and apply it; the
#            analysis of the two identical trees of 100,000 files without a
#            record and with one (read, applied, not written: nothing changed),
#            and the copy of those files without a record and with one (written
#            after the copies).
# Our sync flushes the target file system to disk (syncfs) before it reports
# done; rsync and cp leave the written data to the kernel's write-back, so the
# copies are also timed with `sync -f TARGET` (the same flush) inside the timed
# command, and both ratios are printed.
#
# Usage: bench/engine_figures.sh [DATA_FOLDER]   (default /tmp/brenvale-bench;
# needs about 7 GB there, and up to 13 GB more while it copies). Run it on an
# otherwise idle machine.
# Run as root, the caches are dropped before every timed run (sync, then
# 3 > /proc/sys/vm/drop_caches), so that every tool reads from the disk; else,
# or with CACHES=warm, every tool reads from warm caches. The first line says
# which. Making the data is never timed.
# PARTS chooses the measures (default "pairing analysis copy large huge million
# page"). RUNS (default 5) is the number of rounds of the analysis, COPY_RUNS
# (default 4) of every copy. MILLION_FILES (default 1000000) sets the size of the
# trees of the memory measure, PAGE_ROWS (default "100000 1000000") the sizes of
# the page measure; smaller ones make a quick trial of the script.
# BASELINE=path/to/brenvale-bench, built from another commit, adds that build to
# the analysis and copy measures, side by side with this one in the same turns.
#
# The timed commands are strings that medians evaluates later, with $data and
# $target as they are then: they are single-quoted on purpose.
# shellcheck disable=SC2016
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-/tmp/brenvale-bench}
runs=${RUNS:-5}
analysis_runs=$runs
copy_runs=${COPY_RUNS:-4}
million=${MILLION_FILES:-1000000}
page_rows=${PAGE_ROWS:-100000 1000000}
for tool in rsync python3 find cp; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install $tool)"; exit 2; }
done
parts=" ${PARTS:-pairing analysis copy large huge million page record verify} "
want() { [[ "$parts" == *" $1 "* ]]; }
cmake -S . -B build -G Ninja >/dev/null
targets=(brenvale-bench brenvale-cli)
want page && targets+=(brenvale-page-bench)
cmake --build build --target "${targets[@]}" >/dev/null
bench=build/bench/brenvale-bench
baseline=${BASELINE:-}
mkdir -p "$data"

# Cold caches where the machine allows dropping them: the first drop is the test.
drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}
caches=warm
if [ "${CACHES:-}" != warm ] && [ "$(id -u)" -eq 0 ] && [ -w /proc/sys/vm/drop_caches ] &&
    drop_caches 2>/dev/null; then
    caches=cold
fi
cold() { [ "$caches" = cold ]; }
if cold; then
    drop='drop_caches'
    echo "== caches: dropped before every timed run (sync; echo 3 > /proc/sys/vm/drop_caches)"
else
    drop='true'
    if [ "${CACHES:-}" = warm ]; then
        why="CACHES=warm"
    else
        why="dropping them needs root and a writable /proc/sys/vm/drop_caches"
    fi
    echo "== caches: warm for every tool alike, read once beforehand ($why)"
fi
# Reads the given trees once, so that with warm caches no tool pays for the first
# reading; with cold caches there is nothing to do.
warm_up() { cold || find "$@" -type f -exec cat {} + >/dev/null; }

# Times the commands given as strings in turns, $runs rounds of one run each, so
# that a disturbance of the machine (write-back of an earlier copy, another
# guest of the host, a disk that is fast only in bursts) falls on every tool
# alike; every other round takes the tools in reverse order, so that none is
# always first. $prepare runs untimed before each run. Prints the median wall
# time of each command, in the given order. A command that fails stops the script.
# The median processor time (user and system, the command's processes together)
# of each command goes to the file $cpu_file, one line in the same order.
cpu_file=$(mktemp)
trap 'rm -f "$cpu_file"' EXIT
medians() {
    local prepare=$1
    shift
    local -a commands=("$@")
    local count=$#
    local -a times cpus
    local measured
    measured=$(mktemp)
    for round in $(seq "$runs"); do
        for ((k = 0; k < count; k++)); do
            local i=$k
            ((round % 2 == 0)) && i=$((count - 1 - k))
            eval "$prepare"
            # bash's own clock of the command: wall, user and system seconds.
            if ! { TIMEFORMAT='%3R %3U %3S' && time eval "${commands[i]}" >/dev/null 2>&1; } 2>"$measured"; then
                echo "failed: ${commands[i]}" >&2
                exit 1
            fi
            local wall user system
            read -r wall user system <"$measured"
            times[i]+="$wall "
            cpus[i]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }') "
        done
    done
    rm -f "$measured"
    median() { tr ' ' '\n' | sort -g | awk 'NF {a[++n] = $1} END {printf "%.3f ", a[int((n + 1) / 2)]}'; }
    for ((i = 0; i < count; i++)); do
        printf '%s' "${cpus[i]}" | median
    done >"$cpu_file"
    echo >>"$cpu_file"
    for ((i = 0; i < count; i++)); do
        printf '%s' "${times[i]}" | median
    done
    echo # a whole line, which read needs to succeed
}

# The figures, with a verdict where they have a target, for the table at the end.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 <= 0) print "n/a"; else printf "%.2f\n", a / b }'; }
verdict() {
    awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN {
        if (v !~ /^[0-9.]+$/) print "n/a"
        else if ((op == "<=" && v + 0 <= t + 0) || (op == ">=" && v + 0 >= t + 0)) print "met"
        else print "not met" }'
}
table=()
# figure LABEL VALUE [OP TARGET]
figure() {
    local target="" met=""
    if [ $# -ge 4 ]; then
        target="$3 $4"
        met=$(verdict "$2" "$3" "$4")
    fi
    table+=("$1|$2|$target|$met")
}
# timing LABEL SECONDS [RATIO_TEXT]: one tool's time in a block of figures.
timing() { printf '  %-58s %9s s%s\n' "$1" "$2" "${3:+   $3}"; }
# against LABEL RATIO [OP TARGET]: the text of a ratio with its target and verdict.
against() {
    local text="$1 $2"
    [ $# -ge 4 ] && text+=" (target $3 $4: $(verdict "$2" "$3" "$4"))"
    printf '%s' "$text"
}
# fresh_ext4 IMAGE FOLDER: a new ext4 of 8 GB with room for 1.5 million files,
# made in the file IMAGE and mounted on FOLDER (as root); gone_ext4 IMAGE FOLDER
# unmounts and removes it.
gone_ext4() {
    if mountpoint -q "$2"; then umount "$2"; fi
    rm -f "$1"
}
fresh_ext4() {
    gone_ext4 "$1" "$2"
    truncate -s 8G "$1"
    mkfs.ext4 -q -F -N 1500000 "$1"
    mount -o loop "$1" "$2"
}
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
per_file() { awk -v k="$1" -v n="$2" 'BEGIN { printf "%.0f", k * 1024 / n }'; }

echo "== machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), data in $data ($(df -T "$data" | awk 'NR == 2 {print $2}'))"
# An ext4 without a journal keeps the inodes freed in the last minutes unused,
# and each new file first skips them all: after a large deletion there, every
# tool's copies cost several times their processor time.
data_device=$(findmnt -n -o SOURCE -T "$data" 2>/dev/null || true)
if [ "$(df -T "$data" | awk 'NR == 2 {print $2}')" = ext4 ] && [ -n "$data_device" ] &&
    ! compgen -G "/proc/fs/jbd2/$(basename "$data_device")-*" >/dev/null; then
    echo "== note: the data's ext4 has no journal: the processor times of copies there swing" \
        "with the files deleted in the last minutes; compare those onto the fresh ext4 image"
fi

if want pairing; then
    echo "== pairing of one wide folder (in memory; the caches do not apply)"
    pairing=$("$bench" pairing)
    echo "$pairing"
    # "  pairing  200000 files per side: 0.0123 s (61 ns per file), 10.52 times ..."
    # gives "random 200000 10.52" for each line with a growth.
    growth=$(awk '/random order/ {order = "random"} /same order/ {order = "same"}
        /times the time of a tenth/ {for (i = 1; i <= NF; i++) if ($i == "times") print order, $2, $(i - 1)}' <<<"$pairing")
    summary=""
    while read -r order n factor; do
        case $n in 200000) step="20,000 -> 200,000" ;; 2000000) step="200,000 -> 2,000,000" ;; *) step="-> $n" ;; esac
        [ "$order" = random ] && what="own random orders" || what="the same order"
        summary+="    $step files, $what: $factor ($(verdict "$factor" "<=" 11))"$'\n'
        figure "pairing $step, $what (times)" "$factor" "<=" 11
    done <<<"$growth"
    printf 'pairing: time for ten times the files, as a multiple of the time for a tenth (target <= 11):\n%s' "$summary"
fi

if want analysis || want copy || want record || want verify; then
    echo "== 100,000 files in 5,000 folders"
    if [ ! -d "$data/R100k" ]; then
        rm -rf "$data/L100k"
        python3 bench/make_tree.py "$data/L100k" 100000 5000 2048
        cp -a "$data/L100k" "$data/R100k"
    fi
    warm_up "$data/L100k" "$data/R100k"
fi
# With a baseline, its command comes last and its figure is printed after ours.
base_analyze=()
base_sync=()
if [ -n "$baseline" ]; then
    base_analyze=('"$baseline" analyze "$data/L100k" "$data/R100k"')
    base_sync=('"$baseline" sync "$data/L100k" "$target"')
fi
if want analysis; then
    read -r ours rs fd fds base < <(medians "$drop" \
        '"$bench" analyze "$data/L100k" "$data/R100k"' \
        'rsync -rtn --itemize-changes "$data/L100k/" "$data/R100k/"' \
        'find "$data/L100k" >/dev/null & find "$data/R100k" >/dev/null & wait' \
        'find "$data/L100k" -printf "%s %T@\n" >/dev/null & find "$data/R100k" -printf "%s %T@\n" >/dev/null & wait' \
        "${base_analyze[@]}")
    echo "analysis of two identical trees, median of $runs, caches $caches:"
    timing "brenvale" "$ours"
    timing "rsync -rtn --itemize-changes" "$rs" "$(against "brenvale/rsync" "$(ratio "$ours" "$rs")" "<=" 0.5)"
    timing "two finds at once, one per side (names)" "$fd" "$(against "brenvale/finds" "$(ratio "$ours" "$fd")" "<=" 1.2)"
    timing "two finds at once, with size and time (-printf)" "$fds" "$(against "brenvale/finds" "$(ratio "$ours" "$fds")")"
    [ -n "$baseline" ] && timing "baseline" "$base" "$(against "brenvale/baseline" "$(ratio "$ours" "$base")")"
    figure "analysis 100k: brenvale / rsync -rtn" "$(ratio "$ours" "$rs")" "<=" 0.5
    figure "analysis 100k: brenvale / two finds (names)" "$(ratio "$ours" "$fd")" "<=" 1.2
    figure "analysis 100k: brenvale / two finds (size, time)" "$(ratio "$ours" "$fds")"
    [ -n "$baseline" ] && figure "analysis 100k: brenvale / baseline" "$(ratio "$ours" "$base")"
fi

# Every copy goes into a new empty folder, and the copies of many files are
# removed only at the end of their measure: right after many files were deleted,
# the file system spends most of the time of the next creations skipping the
# inodes it freed (it keeps them unused for a while), which measures the
# deletion rather than the copy.
runs=$copy_runs
new_copies() { rm -rf "$data/copies" && mkdir "$data/copies"; }
next_copy='target=$(mktemp -d "$data/copies/run.XXXXXX"); sync; '"$drop"
flush='; sync -f "$target"'
if want copy; then
    new_copies
    read -r ours rs cpa rss cpas base < <(medians "$next_copy" \
        '"$bench" sync "$data/L100k" "$target"' \
        'rsync -rt "$data/L100k/" "$target/"' \
        'cp -a "$data/L100k/." "$target/"' \
        'rsync -rt "$data/L100k/" "$target/"'"$flush" \
        'cp -a "$data/L100k/." "$target/"'"$flush" \
        "${base_sync[@]}")
    echo "copy of 100,000 files into an empty side, median of $runs, caches $caches:"
    timing "brenvale (ends with a flush of the target file system)" "$ours"
    timing "rsync -rt" "$rs" "$(against "brenvale/rsync" "$(ratio "$ours" "$rs")" "<=" 0.8)"
    timing "cp -a" "$cpa" "$(against "brenvale/cp" "$(ratio "$ours" "$cpa")" "<=" 1.0)"
    timing "rsync -rt; sync -f (flushed too)" "$rss" "$(against "brenvale/rsync+sync" "$(ratio "$ours" "$rss")" "<=" 0.8)"
    timing "cp -a; sync -f (flushed too)" "$cpas" "$(against "brenvale/cp+sync" "$(ratio "$ours" "$cpas")" "<=" 1.0)"
    [ -n "$baseline" ] && timing "baseline" "$base" "$(against "brenvale/baseline" "$(ratio "$ours" "$base")")"
    read -r ours_cpu rs_cpu cpa_cpu _ cpas_cpu _ <"$cpu_file"
    echo "processor time of the same copies (user + system), median:"
    timing "brenvale (its analysis and flush included)" "$ours_cpu"
    timing "rsync -rt" "$rs_cpu"
    timing "cp -a" "$cpa_cpu" "$(against "brenvale/cp" "$(ratio "$ours_cpu" "$cpa_cpu")" "<=" 1.0)"
    timing "cp -a; sync -f" "$cpas_cpu" "$(against "brenvale/cp+sync" "$(ratio "$ours_cpu" "$cpas_cpu")")"
    figure "copy 100k: processor time brenvale / cp -a" "$(ratio "$ours_cpu" "$cpa_cpu")" "<=" 1.0
    figure "copy 100k: processor time brenvale / (cp -a; sync -f)" "$(ratio "$ours_cpu" "$cpas_cpu")"
    # The runner's peak memory for the same copy, beside rsync's (all of its
    # processes together) and cp's.
    peak_of() {
        python3 bench/peak_memory.py "$@" | awk '/^peak / {print $2, $3}'
    }
    new_target() { target=$(mktemp -d "$data/copies/run.XXXXXX"); }
    new_target
    mkdir -p "$data/home"
    read -r cli_kib _ < <(BRENVALE_HOME="$data/home" peak_of build/src/cli/brenvale-cli sync --left "$data/L100k" --right "$target")
    new_target
    read -r _ rs_kib < <(peak_of rsync -rt "$data/L100k/" "$target/")
    new_target
    read -r cp_kib _ < <(peak_of cp -a "$data/L100k/." "$target/")
    echo "peak memory of the copy (MiB): brenvale-cli sync $(mib "$cli_kib") (target <= 40)," \
        "rsync -rt $(mib "$rs_kib"), cp -a $(mib "$cp_kib")"
    figure "copy 100k: brenvale-cli peak memory (MiB)" "$(mib "$cli_kib")" "<=" 40
    figure "copy 100k: rsync -rt peak memory, all processes (MiB)" "$(mib "$rs_kib")"
    figure "copy 100k: brenvale / rsync -rt" "$(ratio "$ours" "$rs")" "<=" 0.8
    figure "copy 100k: brenvale / cp -a" "$(ratio "$ours" "$cpa")" "<=" 1.0
    figure "copy 100k: brenvale / (rsync -rt; sync -f)" "$(ratio "$ours" "$rss")" "<=" 0.8
    figure "copy 100k: brenvale / (cp -a; sync -f)" "$(ratio "$ours" "$cpas")" "<=" 1.0
    [ -n "$baseline" ] && figure "copy 100k: brenvale / baseline" "$(ratio "$ours" "$base")"
    # The same copy onto another file system, the common case of a backup
    # drive: an ext4 image on a loop device (as root), made anew for every
    # copy. Copies into one image meet a fuller file system each time, which
    # makes new files dearer, and the turns cannot give three commands the
    # same places: a fresh one gives every copy the same start.
    if [ "$(id -u)" -eq 0 ] && command -v mkfs.ext4 >/dev/null; then
        other="$data/other"
        mkdir -p "$other"
        next_other='fresh_ext4 "$data/other.img" "$other"; target=$(mktemp -d "$other/run.XXXXXX"); sync; '"$drop"
        read -r ours_o cpa_o cpas_o < <(medians "$next_other" \
            '"$bench" sync "$data/L100k" "$target"' \
            'cp -a "$data/L100k/." "$target/"' \
            'cp -a "$data/L100k/." "$target/"'"$flush")
        read -r ours_o_cpu cpa_o_cpu cpas_o_cpu _ <"$cpu_file"
        gone_ext4 "$data/other.img" "$other"
        echo "copy of the 100,000 files onto another file system (a fresh ext4 on a loop device each), median of $runs:"
        timing "brenvale" "$ours_o"
        timing "cp -a" "$cpa_o" "$(against "brenvale/cp" "$(ratio "$ours_o" "$cpa_o")" "<=" 1.0)"
        timing "cp -a; sync -f" "$cpas_o" "$(against "brenvale/cp+sync" "$(ratio "$ours_o" "$cpas_o")" "<=" 1.0)"
        echo "  processor time: brenvale $ours_o_cpu s, cp -a $cpa_o_cpu s, cp -a; sync -f $cpas_o_cpu s"
        figure "copy 100k onto another disk: brenvale / cp -a" "$(ratio "$ours_o" "$cpa_o")" "<=" 1.0
        figure "copy 100k onto another disk: processor time brenvale / cp -a" "$(ratio "$ours_o_cpu" "$cpa_o_cpu")" "<=" 1.0
    fi
    rm -rf "$data/copies"
fi

# speed MB SECONDS
speed() { awk -v mb="$1" -v s="$2" 'BEGIN { if (s + 0 <= 0) print "n/a"; else printf "%.0f MB/s", mb / s }'; }

# large_files NAME FOLDER PREPARE: the copy of the files of FOLDER by us and by
# cp, as throughputs. The throughput ratio is ours over cp's (cp's time over ours).
large_files() {
    local name=$1 prepare=$3
    source_folder=$2 # read by the commands in medians
    local mb
    mb=$(find "$source_folder" -type f -printf '%s\n' | awk '{s += $1} END {printf "%.0f", s / 1048576}')
    warm_up "$source_folder"
    new_copies
    read -r ours cpt cpts < <(medians "$prepare" \
        '"$bench" sync "$source_folder" "$target"' \
        'cp -r --preserve=timestamps "$source_folder/." "$target/"' \
        'cp -r --preserve=timestamps "$source_folder/." "$target/"'"$flush")
    rm -rf "$data/copies"
    echo "$name, $mb MB, median of $runs, caches $caches:"
    timing "brenvale ($(speed "$mb" "$ours"), ends with a flush)" "$ours"
    timing "cp --preserve=timestamps ($(speed "$mb" "$cpt"))" "$cpt" \
        "$(against "throughput brenvale/cp" "$(ratio "$cpt" "$ours")" ">=" 0.95)"
    timing "cp --preserve=timestamps; sync -f ($(speed "$mb" "$cpts"), flushed too)" "$cpts" \
        "$(against "throughput brenvale/cp+sync" "$(ratio "$cpts" "$ours")" ">=" 0.95)"
    figure "$name: throughput brenvale / cp" "$(ratio "$cpt" "$ours")" ">=" 0.95
    figure "$name: throughput brenvale / (cp; sync -f)" "$(ratio "$cpts" "$ours")" ">=" 0.95
}

if want large; then
    echo "== four files of 256 MB"
    if [ ! -d "$data/big" ]; then
        mkdir -p "$data/big.part"
        for i in 1 2 3 4; do head -c 268435456 /dev/urandom >"$data/big.part/file$i"; done
        mv "$data/big.part" "$data/big"
    fi
    large_files "large 4 x 256 MB" "$data/big" "$next_copy"
fi

if want huge; then
    echo "== one file of 4 GB"
    if [ ! -d "$data/huge" ]; then
        # 64 MB of random bytes written 64 times: as fast as the disk writes,
        # where drawing 4 GB of random bytes takes minutes.
        mkdir -p "$data/huge.part"
        head -c 67108864 /dev/urandom >"$data/huge.block"
        for _ in $(seq 64); do cat "$data/huge.block"; done >"$data/huge.part/file"
        rm "$data/huge.block"
        mv "$data/huge.part" "$data/huge"
    fi
    # One copy of 4 GB at a time: the previous one goes before the next.
    large_files "huge 1 x 4 GB" "$data/huge" 'rm -rf "$data"/copies/run.*; '"$next_copy"
fi

if want million; then
    if [ "$million" -eq 1000000 ]; then size=1m; else size=$million; fi
    left="$data/L$size" right="$data/R$size"
    echo "== $million files, both sides identical"
    if [ ! -d "$right" ]; then
        rm -rf "$left"
        python3 bench/make_tree.py "$left" "$million" "$(( million >= 50 ? million / 50 : 1 ))" 0
        cp -al "$left" "$right"
    fi
    warm_up "$left" "$right"
    # Each in a process of its own, its peak from the kernel (bench/peak_memory.py,
    # whose last line holds the figures, after the command's own output).
    eval "$drop"
    ours_out=$(python3 bench/peak_memory.py "$bench" analyze "$left" "$right")
    read -r _ ours_kib _ _ ours_rc <<<"$(tail -n 1 <<<"$ours_out")"
    eval "$drop"
    rs_out=$(python3 bench/peak_memory.py rsync -rtn "$left/" "$right/")
    read -r _ rs_kib rs_all_kib rs_procs rs_rc <<<"$(tail -n 1 <<<"$rs_out")"
    if [ "$ours_rc" -ne 0 ] || [ "$rs_rc" -ne 0 ]; then
        echo "an analysis failed: brenvale $ours_rc, rsync $rs_rc" >&2
        exit 1
    fi
    echo "memory of an analysis, peak resident size (kernel's count), caches $caches:"
    echo "  brenvale-bench analyze: $(mib "$ours_kib") MiB, $(per_file "$ours_kib" "$million") bytes per file (target <= 300: $(verdict "$(per_file "$ours_kib" "$million")" "<=" 300))"
    sed '$d; s/^/    its own line: /' <<<"$ours_out"
    echo "  rsync -rtn: $(mib "$rs_kib") MiB in its largest process, $(per_file "$rs_kib" "$million") bytes per file;" \
        "its $rs_procs processes together at most $(mib "$rs_all_kib") MiB (sampled), $(per_file "$rs_all_kib" "$million") bytes per file"
    figure "memory $size: brenvale peak (MiB)" "$(mib "$ours_kib")"
    figure "memory $size: brenvale bytes per file" "$(per_file "$ours_kib" "$million")" "<=" 300
    figure "memory $size: rsync -rtn largest process (MiB)" "$(mib "$rs_kib")"
    figure "memory $size: rsync -rtn all processes (MiB, sampled)" "$(mib "$rs_all_kib")"
fi

if want page; then
    echo "== the comparison page's rows (offscreen)"
    read -ra sizes <<<"$page_rows"
    page=$(build/bench/brenvale-page-bench --rows "${sizes[@]}")
    echo "$page"
    # "N file rows (M rows): ..." then "  peak memory X MiB more: B bytes per row,
    # of which the rows R and the view V" gives "N B R V".
    while read -r n per_row rows view; do
        figure "page $n file rows: bytes per row (rows + view)" "$per_row ($rows + $view)"
        figure "page $n file rows: bytes per row of the rows" "$rows" "<=" 150
    done < <(awk '/ file rows \(/ {n = $1} /bytes per row/ {
        for (i = 1; i <= NF; i++) if ($i == "bytes") b = $(i - 1)
        print n, b, $(NF - 4), $NF}' <<<"$page")
    # "N file rows (M rows): ..." then "  expanded a slice at a time in S s, the
    # longest turn of the event loop T ms" gives "N T".
    while read -r n turn; do
        figure "page $n file rows: longest turn while expanding (ms)" "$turn" "<=" 100
    done < <(awk '/ file rows \(/ {n = $1} /a slice at a time/ {
        for (i = 1; i <= NF; i++) if ($i == "ms") t = $(i - 1)
        print n, t}' <<<"$page")
    # How long the window leaves input waiting while a page analyses a tree and
    # syncs it into an empty side (PAGE_RUN_TREE, default the 100,000 files; the
    # million part's $data/L1m for the large measure).
    # The side it syncs into is a fresh ext4 image where the machine allows (as
    # root): right after the copies were removed, the data's own file system
    # makes new files several times slower.
    page_tree=${PAGE_RUN_TREE:-$data/L100k}
    new_copies
    target=$(mktemp -d "$data/copies/run.XXXXXX")
    page_image=""
    if [ "$(id -u)" -eq 0 ] && command -v mkfs.ext4 >/dev/null; then
        page_image="$data/page.img"
        fresh_ext4 "$page_image" "$target"
        echo "== the page's run syncs into a fresh ext4 image"
    fi
    runs_out=$(build/bench/brenvale-page-bench --runs "$page_tree" "$target")
    if [ -n "$page_image" ]; then gone_ext4 "$page_image" "$target"; fi
    echo "$runs_out"
    # "page runs: analysis A s (N files to copy), longest wait of the event loop
    # W ms; sync S s, longest wait V ms" gives "N W V".
    read -r files analysis_wait sync_wait < <(sed -n 's/^page runs: .*(\([0-9]*\) files.* loop \([0-9.]*\) ms; .* wait \([0-9.]*\) ms$/\1 \2 \3/p' <<<"$runs_out")
    figure "page run of $files files: longest wait of the window, analysis (ms)" "$analysis_wait" "<=" 100
    figure "page run of $files files: longest wait of the window, sync (ms)" "$sync_wait" "<=" 100
    rm -rf "$data/copies"
fi

if want record; then
    echo "== the record of the last sync"
    "$bench" record "$million"
    # The record of the two trees, made once by an analysis before the timed ones.
    records="$data/records"
    rm -rf "$records"
    "$bench" analyze "$data/L100k" "$data/R100k" "$records" >/dev/null
    runs=$analysis_runs
    read -r without with < <(medians "$drop" \
        '"$bench" analyze "$data/L100k" "$data/R100k"' \
        '"$bench" analyze "$data/L100k" "$data/R100k" "$records"')
    echo "analysis of two identical trees of 100,000 files, median of $runs, caches $caches:"
    timing "without a record" "$without"
    timing "with the record (read and applied)" "$with" \
        "$(against "with/without" "$(ratio "$with" "$without")" "<=" 1.15)"
    figure "record: analysis 100k with / without" "$(ratio "$with" "$without")" "<=" 1.15
    runs=$copy_runs
    new_copies
    read -r plain recorded < <(medians "$next_copy" \
        '"$bench" sync "$data/L100k" "$target"' \
        '"$bench" sync "$data/L100k" "$target" "$target.records"')
    rm -rf "$data/copies"
    echo "copy of 100,000 files into an empty side, median of $runs, caches $caches:"
    timing "without a record" "$plain"
    timing "with the record written after the copies" "$recorded" \
        "$(against "with/without" "$(ratio "$recorded" "$plain")" "<=" 1.05)"
    figure "record: copy 100k with / without" "$(ratio "$recorded" "$plain")" "<=" 1.05
fi

if want verify; then
    echo "== verified copies"
    if [ ! -d "$data/big8" ]; then
        mkdir -p "$data/big8.part"
        for i in 1 2 3 4 5 6 7 8; do head -c 268435456 /dev/urandom >"$data/big8.part/file$i"; done
        mv "$data/big8.part" "$data/big8"
    fi
    for set in 100k big8; do
        if [ "$set" = 100k ]; then from="$data/L100k" what="100,000 files"; else from="$data/big8" what="8 files of 256 MB"; fi
        new_copies
        read -r plain verified < <(medians "$next_copy" \
            '"$bench" sync "'"$from"'" "$target"' \
            'BRENVALE_BENCH_VERIFY=1 "$bench" sync "'"$from"'" "$target"')
        rm -rf "$data/copies"
        echo "copy of $what into an empty side, median of $runs, caches $caches:"
        timing "unverified" "$plain"
        timing "verified (read back from the disk, compared)" "$verified" \
            "$(against "verified/unverified" "$(ratio "$verified" "$plain")" "<=" 1.5)"
        figure "verify: copy $set verified / unverified" "$(ratio "$verified" "$plain")" "<=" 1.5
    done
fi

if [ ${#table[@]} -gt 0 ]; then
    echo "== all figures (caches $caches; times are medians of ${RUNS:-5} rounds, copies of $copy_runs)"
    printf '%-56s %14s %8s  %s\n' "figure" "value" "target" "verdict"
    for row in "${table[@]}"; do
        IFS='|' read -r label value target met <<<"$row"
        printf '%-56s %14s %8s  %s\n' "$label" "$value" "$target" "$met"
    done
fi
