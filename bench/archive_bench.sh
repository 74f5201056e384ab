#!/bin/bash
# Times listing a .tar.gz of many entries with our reader against
# bsdtar -tvzf on the same archive: runs alternate (ours, bsdtar, ours, ...)
# so both see the same machine load, and the median of each is reported.
# Target: ours at most 1.5 times bsdtar.
# Usage: bench/archive_bench.sh BUILD_DIR [ENTRIES] [RUNS]   (not run by CI)
set -euo pipefail
build=${1:?usage: archive_bench.sh BUILD_DIR [ENTRIES] [RUNS]}
entries=${2:-200000}
runs=${3:-5}
reader="$build/bench/read_archive"
[ -x "$reader" ] || { echo "build the read_archive target first" >&2; exit 1; }
command -v bsdtar >/dev/null || { echo "bsdtar is missing (libarchive-tools)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
archive="$work/bench.tar.gz"

# 200 folders of 1000 small files, names and sizes varied, GNU format.
python3 "$(dirname "$0")/make_tar_gz.py" "$archive" "$entries"
ls -l "$archive"
"$reader" "$archive"

seconds() {  # wall time of "$@", output discarded
  local s e
  s=$(date +%s.%N)
  "$@" >/dev/null
  e=$(date +%s.%N)
  echo "$e - $s" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ours=() theirs=()
for ((i = 0; i < runs; i++)); do
  ours+=("$(seconds "$reader" "$archive")")
  theirs+=("$(seconds bsdtar -tvzf "$archive")")
done
o=$(printf '%s\n' "${ours[@]}" | median)
t=$(printf '%s\n' "${theirs[@]}" | median)
echo "runs (s): read_archive ${ours[*]}"
echo "runs (s): bsdtar -tvzf ${theirs[*]}"
printf 'median of %d: read_archive %.3f s   bsdtar -tvzf %.3f s   ratio %.2f (target <= 1.50)\n' \
  "$runs" "$o" "$t" "$(echo "scale=4; $o / $t" | bc)"
