#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize).
# Usage: scripts/build.sh [--sanitize] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
"$(pwd)/scripts/deps.sh"

dir=build
args=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir=build-asan
  args+=(-DDIRGEN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
cmake -S . -B "$dir" -G Ninja "${args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "$dir"
