#!/usr/bin/env python3
"""Runs a command and prints its peak memory, for bench/engine_figures.sh.

    peak_memory.py COMMAND [ARGUMENTS...]

Passes the command's own output on, then prints one line:

    peak LARGEST_KIB TOGETHER_KIB PROCESSES EXIT_CODE

LARGEST_KIB is the peak resident size of its largest process, from the kernel's
own count (getrusage of the children, exact). A tool that splits its work over
several processes (rsync runs a sender, a receiver and a generator) holds more
than that: TOGETHER_KIB is the highest sum of the proportional set sizes of the
command and all its descendants, sampled every 20 ms (shared pages counted once
between them), and PROCESSES the most of them seen at one time. A sample can
miss a short peak, so TOGETHER_KIB is never taken below LARGEST_KIB.
"""
import os
import resource
import subprocess
import sys
import time


def children_by_parent():
    parents = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                # The name in parentheses may hold spaces: the fields follow the last ')'.
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents.setdefault(int(fields[1]), []).append(int(entry))
    return parents


def tree(root):
    parents = children_by_parent()
    found, pending = [], [root]
    while pending:
        pid = pending.pop()
        found.append(pid)
        pending.extend(parents.get(pid, []))
    return found


def set_size_kib(pid):
    """Proportional set size of one process, or its resident size where the
    kernel has no smaps_rollup."""
    for name, key in (("smaps_rollup", "Pss:"), ("status", "VmRSS:")):
        try:
            with open("/proc/%d/%s" % (pid, name)) as source:
                for line in source:
                    if line.startswith(key):
                        return int(line.split()[1])
        except OSError:
            continue
    return 0


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: peak_memory.py COMMAND [ARGUMENTS...]")
    child = subprocess.Popen(sys.argv[1:])
    together, most = 0, 0
    while child.poll() is None:
        pids = tree(child.pid)
        together = max(together, sum(set_size_kib(pid) for pid in pids))
        most = max(most, len(pids))
        time.sleep(0.02)
    largest = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    print("peak %d %d %d %d" % (largest, max(together, largest), max(most, 1), child.returncode))


if __name__ == "__main__":
    main()
