#!/usr/bin/env bash
# Builds kdgn20 and makes a listing of the shipped example folder
# (examples/sample) with the shipped settings file examples/example.txt,
# then says where the result is.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh)  # the build log stays on standard error
"$dir/src/app/kdgn20" examples/example.txt
echo "Listing written to $(pwd)/examples/listing.html"
