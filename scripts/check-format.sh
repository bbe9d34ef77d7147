#!/usr/bin/env bash
# Fails, naming the files, when a C++ source of the project is not formatted as
# .clang-format says. `cmake --build build --target format` formats them all.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
unformatted=()
for file in "${files[@]}"; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted as .clang-format says (run: cmake --build build --target format):"
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi
