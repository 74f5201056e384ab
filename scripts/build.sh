#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize).
# Standard output is the build folder's name alone; the build log goes to
# standard error, so it stays in sight when a caller captures the name
# (dir=$(scripts/build.sh ...)) and a compile error shows in the CI log.
# Usage: scripts/build.sh [--sanitize] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
"$(pwd)/scripts/deps.sh" >&2

dir=build
args=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-asan
  args+=(-DDIRGEN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -G Ninja "${args[@]}" "$@" >/dev/null  # errors: stderr
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
