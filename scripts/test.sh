#!/usr/bin/env bash
# Builds the project and runs the whole test suite with CTest.
# Usage: scripts/test.sh            normal build (build/)
#        scripts/test.sh --sanitize AddressSanitizer + UBSan build (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh "$@" | tail -n 1)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
