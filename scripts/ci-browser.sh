#!/usr/bin/env bash
# CI: renders every shipped style over hostile names with kdgn20 and checks
# the pages in headless Chromium (tests/browser/check_styles.js). Builds
# kdgn20 first when build/ has none. Takes about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
bin=build/src/app/kdgn20
if [ ! -x "$bin" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target kdgn20
fi
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error)
node tests/browser/check_styles.js "$bin" .
