#!/usr/bin/env bash
# Measures every HTML style's page in headless Chromium at 200,000 files
# (make_tree.py's tree, one recursive single-file listing each, icons
# embedded): page bytes per entry, when the first entries are on screen,
# when loading ends, how long a jump to the end takes to draw, the
# renderer's peak memory and, in the styles with a search box, a search
# for one folder's entries. Then the table at
# 1,000,000 and 5,000,000 entries (pages generated in the program's own
# format by make_table_page.py), with a search over every entry.
# Prints the load average beside each figure. Not run by CI.
# Usage: bench/page_bench.sh [build-dir] [files]
# BENCH_TREES=DIR keeps the generated tree in DIR for the next run;
# BENCH_STYLES="links tree" measures only those styles; BENCH_TABLE=0 skips
# the table at a million and five million entries.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
files=${2:-200000}
exe="$build/src/app/kdgn20"
[ -x "$exe" ] || { echo "build kdgn20 first ($exe)" >&2; exit 1; }
[ -d "$repo/tests/browser/node_modules" ] || (cd "$repo/tests/browser" && npm ci --no-audit --no-fund --loglevel=error)
work=$(mktemp -d /tmp/dirgen-page-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
trees=${BENCH_TREES:-$work}
tree="$trees/pages-$files"
if [ ! -d "$tree" ]; then
  echo "Generating $files files in $((files / 100)) folders ..."
  python3 "$repo/bench/make_tree.py" "$tree.part" "$files" "$((files / 100))"
  mv "$tree.part" "$tree"
fi
ln -s "$repo/kvdata" "$work/kvdata"
export NODE_PATH="$repo/tests/browser/node_modules"

# One recursive single-file listing of folder $1 in style $2, saved as $3.
listing() {
  cat > "$work/settings.txt" <<EOF2
<path>$1</path>
<save>$3</save>
<format>$2</format>
<mask>*</mask>
<folder_include>*</folder_include>
<subfolders>1</subfolders>
<subfolders_in_one_file>1</subfolders_in_one_file>
<show_folders>1</show_folders>
<show_summary>1</show_summary>
<order_files>1</order_files>
<date_format>%d.%m.%Y %H:%M</date_format>
EOF2
  (cd "$work" && "$exe" settings.txt >/dev/null)
}

entries=$((files + files / 100 + 40))
for style in ${BENCH_STYLES:-links download table tree gallery}; do
  rm -f "$tree/$style.html"
  listing "$tree" "$style.txt" "$work/$style.html"
  mv "$work/$style.html" "$tree/$style.html"
  echo "$style: $(node "$repo/bench/page_bench.js" "$tree/$style.html" "$entries" dir00007/) load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -f "$tree/$style.html"
done

[ "${BENCH_TABLE:-1}" = 0 ] && exit 0
# The table at a million and at five million entries.
mkdir -p "$work/kinds"
for ext in txt jpg html zip mp3 c pdf png; do : > "$work/kinds/a.$ext"; done
listing "$work/kinds" table.txt "$work/kinds.html"
for n in 1000000 5000000; do
  made=$(python3 "$repo/bench/make_table_page.py" "$work/kinds.html" "$work/table-$n.html" "$n")
  echo "table, $made generated entries: $(node "$repo/bench/page_bench.js" "$work/table-$n.html" "$made" dir00007) load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -f "$work/table-$n.html"
done
