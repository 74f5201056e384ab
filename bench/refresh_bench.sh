#!/usr/bin/env bash
# A nightly refresh of a one-listing-per-folder site, as cron would run it:
# the first run (no listings yet) against the second over the unchanged
# tree, and what a mirror would then fetch (`rsync -a --dry-run
# --itemize-changes` against a copy of the listings made after the first
# run), beside the same two runs of `tree -H` in every folder, which
# rewrites every listing.
# Each old listing is replaced only once the record proves it Dirgen's own
# (no replace_existing), as in a site refreshed unattended.
# Warm cache; each second-run figure is the median of three. Prints every
# figure with the machine's load (other builds share it). Not run by CI.
#
#   100,000 files in 2,000 folders (and the 40 group folders above them)
#
# Usage: bench/refresh_bench.sh [build-dir] [files] [folders]
# BENCH_TREES=DIR keeps the generated tree in DIR for the next run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
files=${2:-100000}
folders=${3:-2000}
exe="$build/src/app/kdgn20"
[ -x "$exe" ] || { echo "build kdgn20 first ($exe)" >&2; exit 1; }
for tool in tree rsync; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/dirgen-refresh.XXXXXX)
trap 'rm -rf "$work"' EXIT
trees=${BENCH_TREES:-$work/trees}
mkdir -p "$trees"
site="$trees/site-$files-$folders"
if [ ! -f "$site.done" ]; then
  echo "Generating $files files in $folders folders under $site ..."
  rm -rf "$site"
  python3 "$repo/bench/make_tree.py" "$site" "$files" "$folders"
  touch "$site.done"
fi

mkdir -p "$work/run/kvdata"
cat > "$work/run/kvdata/refresh.html" <<'TPL'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>Index</title></head><body><table>
<!--#for var=all--><tr><td><a href="<!--#echo var=url_all-->"><!--#echo var=name_html_all--></a></td><td><!--#echo var=size_all--></td><td><!--#echo var=time_all--></td></tr>
<!--#endfor--></table></body></html>
TPL
cat > "$work/run/site.txt" <<EOF2
<path>$site</path><save>index.html</save><format>refresh.html</format>
<subfolders>1</subfolders><subfolders_in_one_file>0</subfolders_in_one_file>
EOF2

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
median3() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
load() { uptime | sed 's/.*load average: /load /'; }

# The mirror holds the listings only: the site's other files are sparse
# and would be copied in full.
mirror_listings() {
  rsync -a --include='*/' --include=index.html --include=.dirgen-listings \
    --exclude='*' "$@" "$site/" "$work/mirror/"
}

# Listings a mirror of the site made after the first run would fetch now.
changed_files() {
  mirror_listings --dry-run --itemize-changes | grep -c '^>f' || true
}

remove_listings() {
  find "$site" \( -name index.html -o -name '.dirgen-listings' \) -delete
}

dirgen_run() {
  local t0 t1
  t0=$(now)
  (cd "$work/run" && "$exe" site.txt >"$work/out.txt")
  t1=$(now)
  seconds "$t0" "$t1"
}

tree_run() {
  local t0 t1
  t0=$(now)
  find "$site" -type d -print0 |
    while IFS= read -r -d '' d; do
      (cd "$d" && tree -H . -L 1 -D -s --noreport -I index.html \
        -o index.html . >/dev/null)
    done
  t1=$(now)
  seconds "$t0" "$t1"
}

measure() {
  local name=$1 runner=$2 first second_runs=()
  remove_listings
  find "$site" >/dev/null  # warm the cache
  first=$($runner)
  rm -rf "$work/mirror"
  mirror_listings
  sleep 1  # a rewritten file then shows a later time
  for _ in 1 2 3; do second_runs+=("$($runner)"); done
  local changed
  changed=$(changed_files)
  local listings
  listings=$(find "$site" -name index.html | wc -l)
  printf '%-8s first run %6ss  second run %6ss (median of 3)  ' \
    "$name" "$first" "$(median3 "${second_runs[@]}")"
  printf 'files a mirror fetches after it: %s of %s listings  (%s)\n' \
    "$changed" "$listings" "$(load)"
}

echo "Refresh of a per-folder site: $files files, $folders folders"
measure kdgn20 dirgen_run
sed -n 2p "$work/out.txt" | sed 's/^/         kdgn20 says: /'
measure "tree -H" tree_run
remove_listings
