#!/usr/bin/env bash
# Installs what is missing, builds Brenvale and runs every test: first the core
# and the command-line runner alone, without Qt's widgets (a widget include in
# the core breaks that build), then everything in a plain build and once more
# built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)
for variant in build-core build build-sanitize; do
    options=(-DBRENVALE_SANITIZE=OFF -DBRENVALE_WIDGETS=ON)
    [ "$variant" = build-core ] && options=(-DBRENVALE_SANITIZE=OFF -DBRENVALE_WIDGETS=OFF)
    [ "$variant" = build-sanitize ] && options=(-DBRENVALE_SANITIZE=ON -DBRENVALE_WIDGETS=ON)
    cmake -S . -B "$variant" -G Ninja "${options[@]}" >/dev/null
    cmake --build "$variant" -j "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$variant" --output-on-failure -j "$jobs"
done
