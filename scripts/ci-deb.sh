#!/usr/bin/env bash
# CI: builds the Debian package, checks its file list against the
# repository, runs lintian on it, and lists a folder with the kdgn20 it
# unpacks (started from another folder, so it must find its data under
# ../share/dirgen). Usage: scripts/ci-deb.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
"$root/scripts/deps.sh"

cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target kdgn20 compressed_docs
rm -f "$build"/dirgen_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/dirgen_*.deb)
echo "package: $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/unpacked"

# The files the package must hold: exactly these.
{
  printf '%s\n' usr/bin/kdgn20 \
    usr/share/applications/dirgen.desktop \
    usr/share/applications/dirgen-manual.desktop \
    usr/share/bash-completion/completions/kdgn20 \
    usr/share/doc/dirgen/changelog.gz \
    usr/share/doc/dirgen/copyright \
    usr/share/doc/dirgen/help.html \
    usr/share/doc/dirgen/readme.txt \
    usr/share/icons/hicolor/scalable/apps/dirgen.svg \
    usr/share/fish/vendor_completions.d/kdgn20.fish \
    usr/share/man/man1/kdgn20.1.gz \
    usr/share/zsh/vendor-completions/_kdgn20
  for f in kvdata/* images/*; do echo "usr/share/dirgen/$f"; done
} | sort >"$work/expected"
(cd "$work/unpacked" && find . -type f -o -type l | sed 's|^\./||' | sort) \
  >"$work/actual"
if ! diff -u "$work/expected" "$work/actual"; then
  echo "ci-deb: the package's file list is not the expected one" >&2
  exit 1
fi

lintian --fail-on error "$deb"
desktop-file-validate "$work"/unpacked/usr/share/applications/*.desktop

# List a folder from another directory with the unpacked program.
mkdir -p "$work/folder/sub" "$work/elsewhere"
echo hello >"$work/folder/a file.txt"
printf '<path>%s</path>\r\n<save>%s</save>\r\n<format>links.txt</format>\r\n<mask>*</mask>\r\n<folder_include>*</folder_include>\r\n<show_folders>1</show_folders>\r\n' \
  "$work/folder" "$work/listing.html" >"$work/settings.txt"
out=$(cd "$work/elsewhere" && "$work/unpacked/usr/bin/kdgn20" "$work/settings.txt")
echo "$out"
grep -q "Build is successful." <<<"$out"
grep -q "a%20file.txt" "$work/listing.html"
status=0
"$work/unpacked/usr/bin/kdgn20" one two 2>/dev/null || status=$?
if [ "$status" != 2 ]; then
  echo "ci-deb: a usage error exited with $status, not 2" >&2
  exit 1
fi
# The options form from another folder gives the settings file's bytes
# (saved in the same folder, since links lead from where a listing is saved).
sed 's/links.txt/json.txt/; s/listing.html/listing.jsonl/' "$work/settings.txt" \
  >"$work/json-settings.txt"
(cd "$work/elsewhere" && "$work/unpacked/usr/bin/kdgn20" "$work/json-settings.txt" &&
  "$work/unpacked/usr/bin/kdgn20" -s json -o "$work/options.jsonl" "$work/folder")
cmp "$work/listing.jsonl" "$work/options.jsonl" ||
  { echo "ci-deb: options and settings file differ" >&2; exit 1; }
echo "ci-deb: package checked"
