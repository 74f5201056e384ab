#!/usr/bin/env bash
# The one list of Debian packages the project builds, tests and runs with.
# Installs whatever is missing; does nothing when all are present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev
  # archives of every format, read by content; zlib checks gzip's CRC-32
  libarchive-dev zlib1g-dev
  # SHA-256 checksums (libcrypto): installed files, listings
  libssl-dev
  qt6-base-dev
  # the program's SVG icon in the window and the about box
  libqt6svg6
  media-types
  # used by tests: archive fixtures, .desktop validation, HTML checks
  tar gzip zip desktop-file-utils python3 xvfb xauth
  # archive fixtures in every format, and the listings they are checked by
  libarchive-tools xz-utils zstd bzip2 lz4 ncompress p7zip-full genisoimage
  cpio unzip
  # the shell completion test runs bash's completion for real
  bash-completion
  # the Debian package: dependencies from dpkg-shlibdeps (dpkg-dev, file),
  # checked by lintian
  dpkg-dev file lintian
  # used by the window's accessibility test and pictures: AT-SPI bus and
  # Python bindings, a D-Bus session, a window manager on the virtual screen
  python3-pyatspi at-spi2-core dbus-x11 openbox
  # used by fuzzing and the benchmark
  clang libclang-rt-dev tree  # the default clang and its matching runtime
  # used by the refresh test and benchmark: what a mirror would fetch
  rsync
  # used by the browser checks of the styles and their benchmark
  chromium nodejs
)
# npm is a package of its own in Debian's nodejs, and part of the nodejs
# that some machines get from elsewhere (where the npm package conflicts).
command -v npm >/dev/null || PACKAGES+=(npm)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
