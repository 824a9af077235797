#!/usr/bin/env bash
# Builds build/tsan with ThreadSanitizer and runs the tests whose code runs
# on several threads: the search, Auto Calc in the window, the bootstrap and
# the position profile, the report page, the workbook, text and count-file
# reads and the paste in the background, the settings file's writers, and
# the stacked page's fit and resampling. A race fails the run.
#   scripts/tsan.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
tests=(test_search test_autocalc test_report test_reportpage test_spreadsheets test_hardening test_jobs test_wholerange
       test_hardening_settings test_stackedpage test_import)
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DVEXLOR_TSAN=ON -DVEXLOR_WERROR=ON >/dev/null
cmake --build build/tsan -j"$(nproc)" --target "${tests[@]}"
export QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
# halt_on_error: the first race ends the test with its report. die_after_fork=0:
# the xls reader's child process (a fork without exec) may start threads.
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 history_size=7"
# Qt-internal false positives: tests/tsan.supp and tests/TsanQtPool.cpp.
failed=()
for t in "${tests[@]}"; do
  echo "== $t"
  if ! "build/tsan/tests/$t" -silent > "build/tsan/$t.log" 2>&1; then
    failed+=("$t")
    grep -m1 -A30 'WARNING: ThreadSanitizer' "build/tsan/$t.log" || tail -20 "build/tsan/$t.log"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "ThreadSanitizer failed: ${failed[*]} (logs in build/tsan/)"
  exit 1
fi
echo "ThreadSanitizer: all ${#tests[@]} threaded tests clean"
