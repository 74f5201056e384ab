#!/usr/bin/env bash
# Times the build against the tools that do part of its work, side by side
# in one run, on generated trees with a warm cache: runs of the commands
# compared are interleaved and each figure is the median of five. Prints
# every figure, its target, and the machine's load (other builds share it).
# Not run by CI.
#
#   200,000 files in 2,000 folders:
#     recursive single-file table listing   vs  tree -H . -D -s -o out.html
#                                           vs  find -printf '%s %T@ %p\n'
#     per-folder mode (a listing per folder) vs  the single-file listing
#     peak memory (maximum RSS) per listed entry
#   1,000,000 files in 10,000 folders: time against the 200,000 tree, and
#     peak memory per entry
#   a .tar.gz of 200,000 entries             vs  bsdtar -tvzf
#
# Usage: bench/build_bench.sh [build-dir] [small-files] [large-files]
# BENCH_TREES=DIR keeps the generated trees in DIR for the next run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
small=${2:-200000}
large=${3:-1000000}
exe="$build/src/app/kdgn20"
[ -x "$exe" ] || { echo "build kdgn20 first ($exe)" >&2; exit 1; }
for tool in tree bsdtar /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/dirgen-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
trees=${BENCH_TREES:-$work/trees}
mkdir -p "$trees"

generate() {
  local root=$1 files=$2 folders=$3
  [ -f "$root.done" ] && return
  echo "Generating $files files in $folders folders under $root ..."
  rm -rf "$root"
  python3 "$repo/bench/make_tree.py" "$root" "$files" "$folders"
  touch "$root.done"
}

# 200 folders of 1000 entries in a gzip-compressed tar, GNU format.
make_archive() {
  local archive=$1 entries=$2
  [ -f "$archive" ] && return
  echo "Generating $archive with $entries entries ..."
  python3 "$repo/bench/make_tar_gz.py" "$archive.part" "$entries"
  mv "$archive.part" "$archive"
}

generate "$trees/small" "$small" 2000
generate "$trees/large" "$large" 10000
make_archive "$trees/small.tar.gz" "$small"

mkdir -p "$work/run/kvdata"
cat > "$work/run/kvdata/bench_table.html" <<'TPL'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title></head><body><table>
<!--#for var=all--><tr><td><img src="<!--#echo var=image_all-->"></td><td><a href="<!--#echo var=url_all-->"><!--#echo var=name_html_all--></a></td><td><!--#echo var=ext_all--></td><td><!--#echo var=size_all--> <!--#echo var=size_units_all--></td><td><!--#echo var=time_all--></td><td><!--#echo var=media_all--></td></tr>
<!--#endfor--></table></body></html>
TPL
for f in ext2descr.txt ext2img.txt type2descr.txt type2img.txt styles.txt; do
  [ -f "$repo/kvdata/$f" ] && cp "$repo/kvdata/$f" "$work/run/kvdata/"
done

# settings NAME SOURCE SAVE SOURCE-KIND IN-ONE-FILE
settings() {
  cat > "$work/run/$1.txt" <<EOF2
<path>$2</path>
<save>$3</save>
<source>$4</source>
<mask>*</mask>
<skip_files>bench_index.html</skip_files>
<folder_include>*</folder_include>
<subfolders>1</subfolders>
<subfolders_in_one_file>$5</subfolders_in_one_file>
<date_format>%Y-%m-%d %H:%M</date_format>
<show_folders>1</show_folders>
<size_units>1</size_units>
<image_dir>/images/</image_dir>
<format>bench_table.html</format>
<order_files>1</order_files>
EOF2
}
settings single "$trees/small" "$work/single.html" 0 1
settings large "$trees/large" "$work/large.html" 0 1
settings per_folder "$trees/small" bench_index.html 0 0
settings archive "$trees/small.tar.gz" "$work/archive.html" 1 1

cd "$work/run"
python3 - "$exe" "$trees" "$work" <<'PY'
import os, statistics, subprocess, sys, time
exe, trees, work = sys.argv[1:4]
small, large = os.path.join(trees, "small"), os.path.join(trees, "large")
archive = os.path.join(trees, "small.tar.gz")
null = subprocess.DEVNULL

def kdgn(name):
    return ["/usr/bin/time", "-f", "%M", "-o", os.path.join(work, name + ".rss"),
            exe, name + ".txt"]

commands = {
    "kdgn20 single-file": (kdgn("single"), None),
    "tree -H": (["tree", "-H", ".", "-D", "-s", "-o",
                 os.path.join(work, "tree.html"), "."], small),
    "find -printf": (["find", ".", "-printf", "%s %T@ %p\\n"], small),
    "kdgn20 per-folder": (kdgn("per_folder"), None),
    "kdgn20 1,000,000": (kdgn("large"), None),
    "kdgn20 .tar.gz": (kdgn("archive"), None),
    "bsdtar -tvzf": (["bsdtar", "-tvzf", archive], None),
}
times = {name: [] for name in commands}
rss = {name: [] for name in commands}

def run(name):
    argv, cwd = commands[name]
    start = time.monotonic()
    subprocess.run(argv, cwd=cwd, stdout=null, check=True)
    times[name].append(time.monotonic() - start)
    if argv[0] == "/usr/bin/time":
        with open(argv[4]) as f:
            rss[name].append(int(f.read().split()[-1]) * 1024)
    if name == "kdgn20 per-folder":  # keep the tree as the others see it
        for folder, _, names in os.walk(small):
            if "bench_index.html" in names:
                os.remove(os.path.join(folder, "bench_index.html"))

for name in commands:  # warm the cache (and the page cache of the trees)
    run(name)
    times[name].clear()
    rss[name].clear()
load_before = os.getloadavg()
for _ in range(5):
    for name in commands:
        run(name)
load_after = os.getloadavg()

def entries(listing):
    with open(os.path.join(work, listing), "rb") as f:
        return f.read().count(b"<tr>")

med = {name: statistics.median(t) for name, t in times.items()}
n_small, n_large = entries("single.html"), entries("large.html")
n_archive = entries("archive.html")
print()
print("load average before %.2f %.2f %.2f, after %.2f %.2f %.2f (2 cores)"
      % (load_before + load_after))
print("median wall time of 5 interleaved runs:")
for name in commands:
    print("  %-20s %7.3f s   (runs: %s)" % (
        name, med[name], " ".join("%.3f" % t for t in times[name])))
print()
def figure(label, value, target):
    print("  %-44s %6.2f   (target %s)" % (label, value, target))
print("figures:")
figure("single-file / tree -H", med["kdgn20 single-file"] / med["tree -H"], "<= 0.8")
figure("single-file / find -printf", med["kdgn20 single-file"] / med["find -printf"], "aim <= 1.5")
figure("per-folder / single-file", med["kdgn20 per-folder"] / med["kdgn20 single-file"], "<= 1.3")
figure("1,000,000 / 200,000 time", med["kdgn20 1,000,000"] / med["kdgn20 single-file"], "<= 5.5")
figure(".tar.gz / bsdtar -tvzf", med["kdgn20 .tar.gz"] / med["bsdtar -tvzf"], "<= 1.5")
for name, n in (("kdgn20 single-file", n_small), ("kdgn20 1,000,000", n_large),
                ("kdgn20 .tar.gz", n_archive)):
    peak = max(rss[name])
    figure("peak RSS per entry, %s (%d entries, %d MiB)"
           % (name.split(" ", 1)[1], n, peak >> 20), peak / max(n, 1), "<= 400")
PY
