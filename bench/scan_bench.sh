#!/usr/bin/env bash
# The folder scan on both cores, side by side in one run with a warm cache:
# a recursive single-file table listing against find -printf '%s %T@ %p\n',
# the per-folder build against the single-file one, each build again
# without helper threads (list_with_helpers ... 0: every folder read on the
# build's thread) and pinned to one core (taskset -c 0), which say what the
# helpers and the second core give. Runs are interleaved; each figure is the
# median wall time, with the median user and system CPU times and the
# median peak memory (maximum resident set), and the load average is
# printed beside them (other work shares the machine).
# Targets (200,000 files): single-file <= 1.0 x find -printf; per-folder
# <= 1.2 x single-file; at most 100 bytes of peak memory per entry for the
# single-file listing. Not run by CI.
# Usage: bench/scan_bench.sh [build-dir] [files] [folders] [runs]
# BENCH_TREES=DIR keeps the generated tree in DIR for the next run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
files=${2:-200000}
folders=${3:-$((files / 100))}
runs=${4:-5}
exe="$build/src/app/kdgn20"
helpers="$build/bench/list_with_helpers"
for f in "$exe" "$helpers"; do
  [ -x "$f" ] || { echo "build $(basename "$f") first ($f)" >&2; exit 1; }
done
for tool in taskset /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/dirgen-scanbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
store=${BENCH_TREES:-$work}
tree="$store/tree-$files"
if [ ! -f "$tree.done" ]; then
  echo "Generating $files files in $folders folders under $tree ..."
  rm -rf "$tree"
  python3 "$repo/bench/make_tree.py" "$tree" "$files" "$folders"
  touch "$tree.done"
fi
tree=$(cd "$tree" && pwd -P)

mkdir -p "$work/run/kvdata"
cat > "$work/run/kvdata/bench_table.html" <<'TPL'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body><table>
<!--#for var=all--><tr><td><a href="<!--#echo var=url_all-->"><!--#echo var=name_html_all--></a></td><td><!--#echo var=bytes_all--></td><td><!--#echo var=time_all--></td></tr>
<!--#endfor--></table></body></html>
TPL
settings() {  # NAME SAVE IN-ONE-FILE
  cat > "$work/run/$1.txt" <<EOF2
<path>$tree</path>
<save>$2</save>
<mask>*</mask>
<skip_files>bench_index.html</skip_files>
<folder_include>*</folder_include>
<subfolders>1</subfolders>
<subfolders_in_one_file>$3</subfolders_in_one_file>
<date_format>%Y-%m-%d %H:%M</date_format>
<show_folders>1</show_folders>
<format>bench_table.html</format>
<order_files>1</order_files>
EOF2
}
settings single "$work/single.html" 1
settings per_folder bench_index.html 0

cd "$work/run"
# run NAME COMMAND...: appends "wall user system maxrss_kB" of one run to
# NAME.
run() {
  local name=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/t" "$@" >/dev/null
  cat "$work/t" >> "$work/$name"
}
names=(find single single_0helpers single_1core per_folder
  per_folder_0helpers per_folder_1core)
once() {
  run find find "$tree" -printf '%s %T@ %p\n'
  run single "$exe" single.txt
  run single_0helpers "$helpers" single.txt 0
  run single_1core taskset -c 0 "$exe" single.txt
  run per_folder "$exe" per_folder.txt
  run per_folder_0helpers "$helpers" per_folder.txt 0
  run per_folder_1core taskset -c 0 "$exe" per_folder.txt
}
once  # warms the cache
for n in "${names[@]}"; do : > "$work/$n"; done
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((i = 0; i < runs; i++)); do once; done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
med() { sort -n -k"$2","$2" "$work/$1" | awk -v r="$runs" -v k="$2" 'NR == int((r + 1) / 2) { print $k }'; }
echo "$files files in $folders folders; load before $load_before, after $load_after ($(nproc) cores)"
for n in "${names[@]}"; do
  printf '  %-20s wall %7.3f s  user %7.3f s  system %7.3f s  %6.0f MB   (runs: %s)\n' \
    "$n" "$(med "$n" 1)" "$(med "$n" 2)" "$(med "$n" 3)" \
    "$(awk -v k="$(med "$n" 4)" 'BEGIN { print k / 1024 }')" \
    "$(cut -d' ' -f1 "$work/$n" | paste -sd' ')"
done
ratio() { awk -v a="$(med "$1" 1)" -v b="$(med "$2" 1)" 'BEGIN { printf "%.2f", a / b }'; }
entries=$(find "$tree" -mindepth 1 ! -name bench_index.html ! -name '.*' | wc -l)
echo "  single-file / find -printf        $(ratio single find)   (target <= 1.0)"
echo "  per-folder / single-file          $(ratio per_folder single)   (target <= 1.2)"
echo "  single-file, no helpers / helpers $(ratio single_0helpers single)"
echo "  per-folder, no helpers / helpers  $(ratio per_folder_0helpers per_folder)"
echo "  single-file, one core / both      $(ratio single_1core single)"
echo "  per-folder, one core / both       $(ratio per_folder_1core per_folder)"
awk -v k="$(med single 4)" -v n="$entries" 'BEGIN {
  printf "  single-file peak memory          %.1f bytes per entry (%d entries; target <= 100)\n", k * 1024 / n, n }'
