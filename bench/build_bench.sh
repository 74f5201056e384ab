#!/usr/bin/env bash
# Measures a recursive single-file build of a generated tree of 200,000 files
# in 2,000 folders against `tree -H` on the same tree, in one run, and the
# build's peak memory per listed entry. Not run by CI.
# Usage: bench/build_bench.sh [build-dir] [files] [folders]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}
files=${2:-200000}
folders=${3:-2000}
work=$(mktemp -d /tmp/dirgen-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
command -v tree >/dev/null || { echo "needs the tree package"; exit 1; }

echo "Generating $files files in $folders folders under $work/src ..."
python3 - "$work/src" "$files" "$folders" <<'PY'
import os, sys
root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
exts = [".txt", ".jpg", ".html", ".zip", ".mp3", ".c", ".pdf", ".png"]
per = files // folders
for d in range(folders):
    sub = os.path.join(root, "group%02d" % (d % 40), "dir%04d" % d)
    os.makedirs(sub, exist_ok=True)
    for f in range(per):
        with open(os.path.join(sub, "file %05d%s" % (f, exts[f % len(exts)])), "wb") as fh:
            fh.write(b"x" * (f % 3000))
PY

mkdir -p "$work/run/kvdata"
cat > "$work/run/kvdata/bench_table.html" <<'TPL'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body><table>
<!--#for var=all--><tr><td><img src="<!--#echo var=image_all-->"></td><td><a href="<!--#echo var=url_all-->"><!--#echo var=name_html_all--></a></td><td><!--#echo var=ext_all--></td><td><!--#echo var=size_all--> <!--#echo var=size_units_all--></td><td><!--#echo var=time_all--></td><td><!--#echo var=media_all--></td></tr>
<!--#endfor--></table></body></html>
TPL
for f in ext2descr.txt ext2img.txt type2descr.txt type2img.txt styles.txt; do
  [ -f "$repo/kvdata/$f" ] && cp "$repo/kvdata/$f" "$work/run/kvdata/"
done
cat > "$work/run/bench.txt" <<EOF2
<path>$work/src</path>
<save>$work/out.html</save>
<mask>*</mask>
<folder_include>*</folder_include>
<subfolders>1</subfolders>
<subfolders_in_one_file>1</subfolders_in_one_file>
<date_format>%Y-%m-%d %H:%M</date_format>
<show_folders>1</show_folders>
<size_units>1</size_units>
<image_dir>/images/</image_dir>
<format>bench_table.html</format>
<order_files>1</order_files>
EOF2

# Warm the cache once for both tools.
tree -H . -D -s -o /dev/null "$work/src" >/dev/null 2>&1 || true

cd "$work/run"
t0=$(date +%s.%N)
/usr/bin/time -f "%M" -o "$work/mem.txt" "$build/src/app/kdgn20" bench.txt
t1=$(date +%s.%N)
(cd "$work/src" && tree -H . -D -s -o "$work/tree.html" . >/dev/null)
t2=$(date +%s.%N)

entries=$(grep -c '<tr>' "$work/out.html" || true)
peak_kb=$(cat "$work/mem.txt")
python3 - "$t0" "$t1" "$t2" "$entries" "$peak_kb" <<'PY'
import sys
t0, t1, t2 = map(float, sys.argv[1:4]); entries = int(sys.argv[4]); peak = int(sys.argv[5])
print("kdgn20:  %.2f s for %d entries" % (t1 - t0, entries))
print("tree -H: %.2f s" % (t2 - t1))
print("ratio kdgn20/tree: %.2f" % ((t1 - t0) / (t2 - t1)))
print("peak memory: %d KiB = %.0f bytes per entry" % (peak, peak * 1024.0 / max(entries, 1)))
PY
