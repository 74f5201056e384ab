#!/usr/bin/env bash
# Saves pictures of the main window into docs/window/*.png: each tab, and
# the window while a listing is made. Drawn by a real X server (Xvfb) with a
# window manager (openbox), so the pictures show the window's frame too.
# Not run by CI.
# Usage: scripts/screenshot-window.sh [build-dir]   (default: build-shots)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-shots}
scripts/deps.sh
cmake -S . -B "$dir" -G Ninja -DDIRGEN_BUILD_GUI=ON >/dev/null
cmake --build "$dir" --target window_shots -j2
mkdir -p docs/window
inside=$(mktemp)
trap 'rm -f "$inside"' EXIT
cat >"$inside" <<'INSIDE'
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
status=0
"$@" || status=$?
kill "$wm" 2>/dev/null || true
exit "$status"
INSIDE
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env -u QT_QPA_PLATFORM bash "$inside" "$dir/src/app/window_shots" "$PWD" \
  docs/window /usr
ls -l docs/window
