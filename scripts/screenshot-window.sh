#!/usr/bin/env bash
# Saves a picture of each tab of the main window into docs/window/*.png,
# drawn by a real X server (Xvfb). Not run by CI.
# Usage: scripts/screenshot-window.sh [build-dir]   (default: build-shots)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-shots}
command -v xvfb-run >/dev/null || apt-get install -y xvfb
cmake -S . -B "$dir" -G Ninja -DDIRGEN_BUILD_GUI=ON >/dev/null
cmake --build "$dir" --target window_shots -j2
mkdir -p docs/window
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env -u QT_QPA_PLATFORM "$dir/src/app/window_shots" "$PWD" docs/window
ls -l docs/window
