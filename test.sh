#!/usr/bin/env bash
# Installs what is missing, checks the formatting and the layers, builds the
# sanitizer test build and runs every test offscreen.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh

sources=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/' || true)
if [ -n "$sources" ]; then
  # shellcheck disable=SC2086
  clang-format --dry-run --Werror $sources
fi

# Core files include no widget and no window header, and no header of a
# higher subsystem.
scripts/check-layers.sh

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DVEXLOR_SANITIZE=ON -DVEXLOR_WERROR=ON >/dev/null
cmake --build build/test -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd build/test
ctest --output-on-failure -j"$(nproc)"
