#!/bin/bash
# Times reading a tar.gz of many entries with our reader against tar -tzvf.
# Usage: bench/archive_bench.sh BUILD_DIR [ENTRIES]   (not run by CI)
set -euo pipefail
build=${1:?usage: archive_bench.sh BUILD_DIR [ENTRIES]}
entries=${2:-200000}
reader="$build/bench/read_archive"
[ -x "$reader" ] || { echo "build the read_archive target first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
archive="$work/bench.tar.gz"

# 200 folders of 1000 small files, names and sizes varied, GNU format.
python3 - "$archive" "$entries" <<'PY'
import io, sys, tarfile
path, count = sys.argv[1], int(sys.argv[2])
with tarfile.open(path, "w:gz", format=tarfile.GNU_FORMAT) as tar:
    for i in range(count):
        folder = "src/part%03d" % (i // 1000)
        if i % 1000 == 0:
            info = tarfile.TarInfo(folder)
            info.type = tarfile.DIRTYPE
            tar.addfile(info)
        data = (b"line %d\n" % i) * (i % 7)
        info = tarfile.TarInfo("%s/file_%06d.txt" % (folder, i))
        info.size, info.mtime = len(data), 1600000000 + i
        tar.addfile(info, io.BytesIO(data))
PY
ls -l "$archive"

best() {  # best wall time of three runs of "$@", in seconds
  local b=""
  for _ in 1 2 3; do
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}

"$reader" "$archive"
ours=$(best "$reader" "$archive")
theirs=$(best tar -tzvf "$archive")
echo "read_archive: ${ours} s   tar -tzvf: ${theirs} s"
echo "ratio (ours / tar): $(echo "scale=2; $ours / $theirs" | bc)"
