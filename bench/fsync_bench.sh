#!/usr/bin/env bash
# Whether a one-file-per-folder build should flush each listing to the disk
# before renaming it over the old one: times a per-folder build of a
# generated tree (2,000 folders of 100 files, on the disk, not in memory),
# then the same number of listings of the same size replaced with and
# without fsync (replace_bench). Not run by CI.
# Usage: bench/fsync_bench.sh [build-dir] [folders] [files-per-folder]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
folders=${2:-2000}
per=${3:-100}
work=$(mktemp -d "${BENCH_DIR:-/var/tmp}/dirgen-fsync.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work/src" "$folders" "$per" <<'PY'
import os, sys
root, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    sub = os.path.join(root, "group%02d" % (d % 20), "dir%04d" % d)
    os.makedirs(sub, exist_ok=True)
    for f in range(per):
        open(os.path.join(sub, "file %04d.txt" % f), "wb").close()
PY
mkdir -p "$work/run/kvdata"
cp "$repo"/kvdata/*.txt "$work/run/kvdata/"
cat > "$work/run/per_folder.txt" <<EOF2
<path>$work/src</path>
<save>index.html</save>
<subfolders>1</subfolders>
<subfolders_in_one_file>0</subfolders_in_one_file>
<format>download.txt</format>
EOF2
cd "$work/run"
"$build/src/app/kdgn20" per_folder.txt >/dev/null  # old listings exist now
sync
times=()
for i in 1 2 3; do
  t0=$(date +%s.%N)
  "$build/src/app/kdgn20" per_folder.txt >/dev/null
  t1=$(date +%s.%N)
  times+=("$(echo "$t1 - $t0" | bc)")
done
listings=$(find "$work/src" -name index.html | wc -l)
bytes=$(find "$work/src" -name index.html -printf '%s\n' |
        awk '{s+=$1} END {printf "%d", s/NR}')
echo "per-folder build: $listings listings, median $(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p) s"
mkdir "$work/replace"
"$build/bench/replace_bench" "$work/replace" "$listings" "$bytes"
