#!/usr/bin/env bash
# Times the options form of the command line against the settings-file form
# doing the same listing (recursive, one file, the shipped table style) of a
# generated tree with a warm cache. Runs of the two forms are interleaved;
# each figure is the median of the runs. Prints both, their difference and
# the machine's load (other builds share it). Not run by CI.
#
# Usage: bench/options_bench.sh [build-dir] [files] [runs]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
files=${2:-100000}
runs=${3:-9}
exe="$build/src/app/kdgn20"
[ -x "$exe" ] || { echo "build kdgn20 first ($exe)" >&2; exit 1; }

work=$(mktemp -d /tmp/dirgen-options-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "Generating $files files in $((files / 100)) folders ..."
python3 "$repo/bench/make_tree.py" "$work/tree" "$files" $((files / 100))
cd "$repo"  # its kvdata is the data folder of both forms
printf '<path>%s</path>\r\n<save>%s</save>\r\n<format>table.txt</format>\r\n<subfolders>1</subfolders>\r\n<subfolders_in_one_file>1</subfolders_in_one_file>\r\n' \
  "$work/tree" "$work/settings.html" >"$work/settings.txt"

# Milliseconds one command takes.
ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

"$exe" "$work/settings.txt" >/dev/null  # warm the cache
: >"$work/settings.ms"
: >"$work/options.ms"
for _ in $(seq "$runs"); do
  ms "$exe" "$work/settings.txt" >>"$work/settings.ms"
  ms "$exe" -s table -r -o "$work/options.html" "$work/tree" >>"$work/options.ms"
done
s=$(median <"$work/settings.ms")
o=$(median <"$work/options.ms")
echo "settings file: ${s} ms   options: ${o} ms   difference: $((o - s)) ms" \
  "(median of $runs, $files files; load: $(cut -d' ' -f1-3 /proc/loadavg))"
