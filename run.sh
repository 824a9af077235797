#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts Vexlor.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)"
exec build/release/vexlor "$@"
