#!/usr/bin/env bash
# Installs what is missing, builds Brenvale and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
exec build/src/brenvale "$@"
