#!/usr/bin/env bash
# Builds the project and runs the whole test suite with CTest.
# Usage: scripts/test.sh [--sanitize] [extra cmake args...]
#   (no option)  normal build (build/)
#   --sanitize   AddressSanitizer + UBSan build (build-asan/)
# e.g. scripts/test.sh -DDIRGEN_WERROR=ON, as CI runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh "$@")
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
