#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, build-fuzz/) and runs each one for a
# bounded time, one after the other. Any crash, leak, timeout, excess memory
# or sanitizer report fails the run (exit 1); the input that caused it is
# kept in build-fuzz/artifacts/<target>/ and the log in
# build-fuzz/fuzz-<target>.log.
#
# Every run starts from the kept corpus in tests/fuzz/corpus/<target>/ (the
# grown and minimised result of earlier long runs) and from
# build-fuzz/corpus/<target>/, where the inputs a run adds go; so a run
# resumes where the last one on this machine ended. FUZZ_KEEP=1 then merges
# both into the kept corpus, minimised (libFuzzer -merge=1: the smallest
# set of inputs that reaches the same coverage), ready to commit.
# FUZZ_SEED=N fixes libFuzzer's random seed (CI does, so that a run repeats
# the same mutations and a red run can be reproduced). DIRGEN_WERROR=ON
# treats compiler warnings as errors (CI does).
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
#   targets: tokenizer settings template archive masks (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(tokenizer settings template archive masks)
fi
case "$seconds" in
  '' | *[!0-9]*) echo "fuzz.sh: seconds must be a whole number" >&2; exit 2 ;;
esac

scripts/deps.sh
dir=build-fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIRGEN_FUZZ=ON -DDIRGEN_BUILD_GUI=OFF \
  -DDIRGEN_WERROR="${DIRGEN_WERROR:-OFF}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

# Replaces the kept corpus of target $1 by the minimised union of it and
# this machine's grown corpus.
keep_corpus() {
  local t=$1 kept="tests/fuzz/corpus/$1" merged="$dir/merged/$1"
  rm -rf "$merged" && mkdir -p "$merged"
  "$dir/tests/fuzz/${t}_fuzz" -merge=1 -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=2048 "$merged" "$kept" "$dir/corpus/$t" \
    >"$dir/merge-$t.log" 2>&1
  rm -rf "$kept" && mv "$merged" "$kept"
  echo "   kept: $(ls "$kept" | wc -l) inputs, $(du -sh "$kept" | cut -f1) in $kept"
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  work="$dir/corpus/$t"
  artifacts="$dir/artifacts/$t"
  log="$dir/fuzz-$t.log"
  mkdir -p "$work" "$artifacts"
  echo "== $t: ${seconds}s"
  status=0
  "$dir/tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 \
    ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
    -rss_limit_mb=2048 -malloc_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "tests/fuzz/corpus/$t" \
    >"$log" 2>&1 || status=$?
  # A report that did not stop the run still counts as a finding.
  if [ "$status" -ne 0 ] || grep -qE "runtime error:|ERROR: (Address|Leak|libFuzzer)" "$log"; then
    failed+=("$t")
    echo "   FAILED (exit $status); log: $log"
    grep -E "ERROR|runtime error|check failed|SUMMARY|Test unit written" "$log" | head -n 20 || true
  else
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -E '^#[0-9]+' "$log" | grep -oE 'cov: [0-9]+ ft: [0-9]+' | tail -n 1)
    echo "   ok: ${runs:-?} runs, ${cov:-no coverage line}"
    if [ "${FUZZ_KEEP:-0}" = 1 ]; then keep_corpus "$t"; fi
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in: ${failed[*]}"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each, no findings"
