#!/usr/bin/env bash
# Measures the table style with many entries in headless Chromium: bytes of
# page per entry, time to the first rows, time until a search covers the
# whole page, time of each sort, and scrolling to the last entry.
# Not run by CI. Needs chromium and tests/browser's node modules.
# Usage: bench/table_bench.sh [build-dir] [files] [folders]
#   lists a tree of that many files made on disk (make_tree.py);
#        bench/table_bench.sh build-dir ENTRIES
#   writes a page of ENTRIES entries without making them: kdgn20 lists one
#   file per extension, make_table_page.py fills its data block.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
files=${2:-200000}
folders=${3:-}
work=$(mktemp -d /tmp/dirgen-table-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
[ -d "$repo/tests/browser/node_modules" ] || (cd "$repo/tests/browser" && npm ci --no-audit --no-fund --loglevel=error)

if [ -n "$folders" ] || [ "$files" -le 200000 ]; then
  folders=${folders:-2000}
  echo "Generating $files files in $folders folders ..."
  python3 "$repo/bench/make_tree.py" "$work/src" "$files" "$folders"
else
  echo "Writing a page of $files entries ..."
  mkdir -p "$work/src"
  for ext in txt jpg html zip mp3 c pdf png; do echo x > "$work/src/file.$ext"; done
fi

ln -s "$repo/kvdata" "$work/kvdata"
cat > "$work/bench.txt" <<EOF2
<path>$work/src</path>
<save>$work/table.html</save>
<mask>*</mask>
<folder_include>*</folder_include>
<subfolders>1</subfolders>
<subfolders_in_one_file>1</subfolders_in_one_file>
<date_format>%d.%m.%Y %H:%M</date_format>
<show_folders>1</show_folders>
<size_units>1</size_units>
<image_dir>../images</image_dir>
<format>table.txt</format>
<order_files>1</order_files>
EOF2
(cd "$work" && "$build/src/app/kdgn20" bench.txt)
if [ -n "$folders" ]; then
  mv "$work/table.html" "$work/src/table.html"
  NODE_PATH="$repo/tests/browser/node_modules" node "$repo/bench/table_bench.js" "$work/src/table.html" "$files" "$folders"
else
  entries=$(python3 "$repo/bench/make_table_page.py" "$work/table.html" "$work/src/table.html" "$files")
  NODE_PATH="$repo/tests/browser/node_modules" node "$repo/bench/table_bench.js" "$work/src/table.html" "$entries"
fi
