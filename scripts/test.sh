#!/usr/bin/env bash
# Installs what is missing, builds Brenvale and runs every test: once in a plain
# build and once built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
for variant in build build-sanitize; do
    sanitize=OFF
    [ "$variant" = build-sanitize ] && sanitize=ON
    cmake -S . -B "$variant" -G Ninja -DBRENVALE_SANITIZE=$sanitize >/dev/null
    cmake --build "$variant" -j "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$variant" --output-on-failure -j "$jobs"
done
