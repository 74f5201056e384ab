#!/usr/bin/env bash
# Lists a generated tar stream of ENTRIES entries (ten million by default)
# with kdgn20 and with bsdtar -tvf, side by side: runs alternate so both see
# the same machine load; each figure is the median wall time, with the user
# CPU time and the peak memory (maximum resident set) from /usr/bin/time -v,
# and the memory per entry. Prints the load average beside the figures.
# Targets: kdgn20 at most 1.5 times bsdtar -tvf, at most 100 bytes of peak
# memory per entry. Not run by CI.
# Usage: bench/tar_bench.sh [build-dir] [entries] [runs]
# BENCH_TREES=DIR keeps the generated stream in DIR for the next run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
entries=${2:-10000000}
runs=${3:-3}
exe="$build/src/app/kdgn20"
gen="$build/bench/make_tar_stream"
for f in "$exe" "$gen"; do
  [ -x "$f" ] || { echo "build $(basename "$f") first ($f)" >&2; exit 1; }
done
for tool in bsdtar /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/dirgen-tarbench.XXXXXX)
trap 'rm -rf "$work"' EXIT
store=${BENCH_TREES:-$work}
mkdir -p "$store"
stream="$store/stream-$entries.tar"
if [ ! -f "$stream" ]; then
  echo "Generating $stream ..."
  "$gen" "$stream.part" "$entries"
  mv "$stream.part" "$stream"
fi

# One line per entry, as much as bsdtar -tv prints: kind, size, time, path.
mkdir -p "$work/run/kvdata"
cat > "$work/run/kvdata/bench_lines.txt" <<'TPL'
<!--#for var=all--><!--#echo var=bytes_all--> <!--#echo var=time_all--> <!--#echo var=rel_path_all--><!--#echo var=name_all--><!--#echo var=ext_all-->
<!--#endfor-->
TPL
cat > "$work/run/settings.txt" <<EOF2
<path>$stream</path>
<save>$work/out.txt</save>
<source>1</source>
<format>bench_lines.txt</format>
<mask>*</mask>
<folder_include>*</folder_include>
<date_format>%b %d %Y</date_format>
<show_folders>1</show_folders>
EOF2

# run NAME COMMAND...: one timed run; appends "wall user maxrss_kb" to NAME.
run() {
  local name=$1
  shift
  /usr/bin/time -v -o "$work/time" "$@" >/dev/null
  awk -F': ' '/Elapsed \(wall/ { n = split($2, t, ":"); w = t[n] + 60 * t[n-1] + (n > 2 ? 3600 * t[1] : 0) }
              /User time/ { u = $2 } /Maximum resident/ { m = $2 }
              END { print w, u, m }' "$work/time" >> "$work/$name"
}

cd "$work/run"
for ((i = 0; i < runs; i++)); do
  run ours "$exe" settings.txt
  run bsdtar bsdtar -tvf "$stream"
done
median() { sort -n -k1,1 "$1" | awk -v r="$runs" 'NR == int((r + 1) / 2)'; }
read -r ow ou om < <(median "$work/ours")
read -r tw tu tm < <(median "$work/bsdtar")
echo "tar stream: $entries entries, $(du -h "$stream" | cut -f1); load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "runs (wall user maxrss_kB): kdgn20: $(paste -sd';' "$work/ours")"
echo "runs (wall user maxrss_kB): bsdtar: $(paste -sd';' "$work/bsdtar")"
awk -v ow="$ow" -v ou="$ou" -v om="$om" -v tw="$tw" -v tu="$tu" -v tm="$tm" -v n="$entries" 'BEGIN {
  printf "kdgn20 %.2f s (user %.2f s, %.0f MB)  bsdtar -tvf %.2f s (user %.2f s, %.0f MB)\n", ow, ou, om / 1024, tw, tu, tm / 1024
  printf "ratio %.2f (target <= 1.50); kdgn20 peak memory %.1f bytes per entry (target <= 100)\n", ow / tw, om * 1024 / n }'
