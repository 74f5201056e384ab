#!/usr/bin/env bash
# Builds the window tests (the Qt offscreen tests of src/app and src/setup),
# the value layer's tests (copies of strings used from several threads) and
# the folder reading tests (helper threads reading folders ahead of a
# recursive build) with ThreadSanitizer into build-tsan/ and runs them once. Any report of a
# data race, a lock-order inversion or a thread leak fails the run; races
# whose racing access lies inside the uninstrumented Qt libraries are
# suppressed by tests/tsan/qt.supp, none in our own code.
# Usage: scripts/ci-tsan.sh [extra cmake args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh

dir=build-tsan
targets=(gui_test setup_form_test text_test value_test listing_tree_test
  hostile_test)
cmake -S . -B "$dir" -G Ninja -DDIRGEN_TSAN=ON -DCMAKE_BUILD_TYPE=Debug \
  "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export DIRGEN_SOURCE_ROOT="$root"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 report_thread_leaks=1 suppressions=$root/tests/tsan/qt.supp"
status=0
# Each test program, with the tests of it that run threads.
runs=("src/app/gui_test:*" "src/setup/setup_form_test:*" "src/text/text_test:*"
  "src/value/value_test:*" "src/listing/listing_tree_test:Folder*"
  "tests/hostile/hostile_test:ConcurrentScan.*")
for run in "${runs[@]}"; do
  t="$root/$dir/${run%%:*}"
  echo "== $(basename "$t") under ThreadSanitizer"
  # The tests expect the build folder as their working folder, as under CTest.
  (cd "$dir" && timeout 900 "$t" --gtest_brief=1 --gtest_filter="${run#*:}") ||
    status=$?
  [ "$status" -eq 0 ] || break
done
exit "$status"
