#!/usr/bin/env python3
"""Writes a GNU-format .tar.gz of COUNT small files for the benchmarks:
folders of 1000 files (src/part000/file_000000.txt, ...), each folder with
an entry of its own, sizes varied, times one second apart.
Usage: make_tar_gz.py PATH COUNT"""
import io
import sys
import tarfile

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
