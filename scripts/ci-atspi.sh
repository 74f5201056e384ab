#!/usr/bin/env bash
# CI: drives the real main window through the accessibility interface
# (AT-SPI), as a screen reader sees it, on a virtual X server with a window
# manager and a D-Bus session of its own (tests/atspi/drive_window.py).
# Usage: scripts/ci-atspi.sh [build-dir]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/deps.sh
cmake -S . -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --target kdgn20 -j "$(nproc)"

# Inside the X server: a window manager, then the test in its own D-Bus
# session, where the accessibility bus is started on demand.
inside=$(mktemp)
trap 'rm -f "$inside"' EXIT
cat >"$inside" <<'INSIDE'
openbox >/dev/null 2>&1 &
wm=$!
status=0
dbus-run-session -- /usr/bin/python3 tests/atspi/drive_window.py "$@" ||
  status=$?
kill "$wm" 2>/dev/null || true
exit "$status"
INSIDE
timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$inside" "$dir/src/app/kdgn20" "$PWD"
