#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS seconds,
# two at a time, seeded from fuzz/corpus/<target>/. New inputs go to
# build/fuzz/work/<target>/; inputs that fail go to fuzz/artifacts/.
#   fuzz/run.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/deps.sh
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || { SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo;
    $SUDO apt-get update -q && $SUDO apt-get install -y -q "$p"; }
done
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLOR_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j"$(nproc)"
mkdir -p fuzz/artifacts
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
run_one() {
  local t=$1
  mkdir -p "build/fuzz/work/$t" "fuzz/corpus/$t"
  "build/fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=30 \
    -artifact_prefix="fuzz/artifacts/$t-" -print_final_stats=1 \
    "build/fuzz/work/$t" "fuzz/corpus/$t" > "build/fuzz/$t.log" 2>&1 || echo "$t: FOUND A FAULT (see build/fuzz/$t.log)"
  grep -E '^#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|cov:' "build/fuzz/$t.log" | tail -2 | sed "s/^/$t: /"
}
targets=(text ini xlsx ods fit xls start observer paste)
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run_one "${targets[i]}" &
  [ $((i + 1)) -lt ${#targets[@]} ] && run_one "${targets[i + 1]}" &
  wait
done
