#!/usr/bin/env python3
"""Prints the shape of the source tree: which folders include which, the
largest files and functions, and test lines against code lines.

    tools/house_figures.py [repository root]

Functions are found by brace matching at the outermost level of each .cpp
file (a body that opens after a closing parenthesis, a const or an
initialiser list), which is good enough to rank them by length.
"""
import collections
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
SRC = ROOT / "src"
TESTS = ROOT / "tests"
INCLUDE = re.compile(r'^\s*#include\s+"([^"]+)"', re.M)


def folder_of(path):
    rel = path.relative_to(SRC).parent.as_posix()
    return rel if rel != "." else "(main)"


def code_lines(path):
    return sum(1 for line in path.read_text(errors="replace").splitlines() if line.strip())


def sources(root):
    return sorted(p for p in root.rglob("*") if p.suffix in (".cpp", ".h"))


def include_edges():
    edges = collections.Counter()
    for path in sources(SRC):
        here = folder_of(path)
        for target in INCLUDE.findall(path.read_text(errors="replace")):
            there = pathlib.PurePosixPath(target).parent.as_posix()
            if (SRC / target).exists() and there not in (".", here):
                edges[(here, there)] += 1
    return edges


def functions(path):
    text = path.read_text(errors="replace")
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)
    found = []
    depth, start, head = 0, None, ""
    line = 1
    for index, char in enumerate(text):
        if char == "\n":
            line += 1
        if char == "{":
            if depth == 0 or (depth == 1 and head.startswith("namespace")):
                before = text[max(0, index - 300):index].rstrip()
                # A definition begins at the first column.
                lines = before.splitlines()
                starts = [l for l in lines[-6:] if l[:1].strip()]
                signature = (starts[-1] if starts else (lines[-1] if lines else "")).strip()
                if re.search(r"(\)|const|override|noexcept|\))\s*$", before) or re.search(r"\)\s*:\s*\w", before[-200:]):
                    start = (line, signature)
            if depth == 0:
                head = text[max(0, index - 200):index].strip().split("\n")[-1]
            depth += 1
        elif char == "}":
            depth -= 1
            if start and (depth == 0 or (depth == 1 and head.startswith("namespace"))):
                found.append((line - start[0] + 1, path.relative_to(ROOT).as_posix(), start[0], start[1]))
                start = None
    return found


def main():
    print("Includes between folders of src/ (count):")
    for (here, there), count in sorted(include_edges().items()):
        print(f"  {here:14} -> {there:14} {count}")

    code = {p: code_lines(p) for p in sources(SRC)}
    tests = {p: code_lines(p) for p in sources(TESTS)}
    print("\nLargest files (non-blank lines):")
    for path, lines in sorted(code.items(), key=lambda item: -item[1])[:8]:
        print(f"  {lines:5}  {path.relative_to(ROOT)}")

    found = [f for p in sources(SRC) if p.suffix == ".cpp" for f in functions(p)]
    print("\nLargest functions (lines):")
    for lines, where, line, signature in sorted(found, reverse=True)[:8]:
        print(f"  {lines:5}  {where}:{line}  {signature[:70]}")

    total_code, total_tests = sum(code.values()), sum(tests.values())
    print(f"\nSource lines {total_code}, test lines {total_tests}, "
          f"tests {100 * total_tests / total_code:.0f} % of the source")


if __name__ == "__main__":
    main()
