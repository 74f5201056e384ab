#!/usr/bin/env bash
# Renders every HTML style over a sample folder and takes screenshots with
# headless Chromium into docs/styles/<style>.png (desktop) and
# docs/styles/<style>-phone.png (phone width), and sample outputs of the
# JSON Lines and CSV styles. Not part of CI.
#
# Usage: scripts/render-styles.sh [KDGN20]
#   KDGN20 defaults to the first of build*/src/app/kdgn20 that exists.
# Needs: chromium (Debian package "chromium").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-}
if [ -z "$bin" ]; then
  for b in "$root"/build/src/app/kdgn20 "$root"/build*/src/app/kdgn20; do
    if [ -x "$b" ]; then bin=$b; break; fi
  done
fi
[ -n "$bin" ] && [ -x "$bin" ] || { echo "kdgn20 not found; build it or pass its path" >&2; exit 1; }
chromium=$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)
[ -n "$chromium" ] || { echo "chromium not found (apt-get install chromium)" >&2; exit 1; }

work=$(mktemp -d /tmp/dirgen-render.XXXXXX)
trap 'rm -rf "$work"' EXIT
ln -s "$root/kvdata" "$work/kvdata"
out="$root/docs/styles"
mkdir -p "$out"

# A sample folder: documents, media, code, a subfolder tree and a few pictures.
src="$work/Sample downloads"
mkdir -p "$src/docs/manuals" "$src/tools" "$src/pictures"
fill() { head -c "$2" /dev/zero >"$1"; }
fill "$src/readme.txt" 2048
fill "$src/release-notes.pdf" 348160
fill "$src/dirgen-2.0-linux-x86_64.tar.gz" 3145728
fill "$src/dirgen-2.0-setup.zip" 2883584
fill "$src/changes.md" 9216
fill "$src/checksums.sha256" 512
fill "$src/docs/manual.html" 61440
fill "$src/docs/manuals/quick-start.odt" 24576
fill "$src/docs/manuals/reference.pdf" 1258291
fill "$src/tools/convert.py" 4096
fill "$src/tools/build.sh" 1024
fill "$src/tools/listing.cpp" 15360
fill "$src/theme song.mp3" 4718592
fill "$src/intro video.mp4" 62914560
fill "$src/fonts.ttf" 81920
picture() {  # name hue: a small SVG picture with a gradient sky and hills
  cat >"$src/pictures/$1.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="400" height="300" viewBox="0 0 400 300"><defs><linearGradient id="s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="hsl($2,70%,65%)"/><stop offset="1" stop-color="hsl($(( ($2 + 40) % 360 )),80%,85%)"/></linearGradient></defs><rect width="400" height="300" fill="url(#s)"/><circle cx="300" cy="90" r="40" fill="hsl($(( ($2 + 180) % 360 )),90%,70%)"/><path d="M0 220Q100 150 200 210T400 190V300H0z" fill="hsl($(( ($2 + 90) % 360 )),40%,35%)"/></svg>
SVG
}
for p in "sunrise 20" "harbour 200" "meadow 100" "dusk 280" "glacier 180" "autumn 30"; do
  picture $p
done
cp "$root/images/dirgen.gif" "$src/pictures/header.gif"

settings() {  # file, then key=value pairs overriding the defaults
  local file=$1; shift
  declare -A v=(
    [date_format]="%Y-%m-%d %H:%M" [folder_include]="*" [folder_skip]="" [format]=""
    [image_dir]="file://$root/images" [is_gmt_date]=0 [mask]="*" [order_files]=1 [path]="$src"
    [save]="" [show_folders]=1 [show_summary]=1 [size_end]=1048576 [size_filter]=0
    [size_start]=0 [size_units]=1 [skip_files]="" [sort_order]=0 [source]=0 [subfolders]=0
    [subfolders_in_one_file]=0 [time_end]=0 [time_filter]=0 [time_start]=0 [url_html_escape]=0)
  for kv in "$@"; do v[${kv%%=*}]=${kv#*=}; done
  : >"$file"
  for k in $(printf '%s\n' "${!v[@]}" | LC_ALL=C sort); do
    local val=${v[$k]//&/&amp;}
    val=${val//</&lt;}; val=${val//>/&gt;}; val=${val//\"/&quot;}
    printf '<%s>%s</%s>\r\n' "$k" "$val" "$k" >>"$file"
  done
}

shot() {  # page, png, width, height
  "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --force-device-scale-factor=1 --window-size="$3,$4" --virtual-time-budget=3000 \
    --screenshot="$2" "file://$1" >/dev/null 2>&1
}

render() {  # style, extra settings...
  local style=$1; shift
  local name=${style%.*} dir=$src kv
  for kv in "$@"; do [ "${kv%%=*}" = path ] && dir=${kv#*=}; done
  local page="$work/$name.html"
  settings "$work/$name-settings.txt" format="$style" save="$page" "$@"
  (cd "$work" && "$bin" "$work/$name-settings.txt")
  # Links and pictures are relative to the listed folder: put the page there.
  cp "$page" "$dir/.dirgen-$name.html"
  shot "$dir/.dirgen-$name.html" "$out/$name.png" 1280 860
  shot "$dir/.dirgen-$name.html" "$out/$name-phone.png" 390 844
  rm -f "$dir/.dirgen-$name.html"
  echo "$out/$name.png"
}

render download.txt
render links.txt
render table.txt subfolders=1 subfolders_in_one_file=1
render tree.txt subfolders=1 subfolders_in_one_file=1
render gallery.txt path="$src/pictures" mask="*.svg;*.gif;*.png;*.jpg;*.jpeg;*.webp"

# The machine-readable styles: sample outputs beside the pictures.
sample() {  # style, output file
  settings "$work/sample-settings.txt" format="$1" save="$2" subfolders=1 subfolders_in_one_file=1
  (cd "$work" && "$bin" "$work/sample-settings.txt")
  echo "$2"
}
sample json.txt "$out/listing.jsonl"
sample csv.txt "$out/listing.csv"
