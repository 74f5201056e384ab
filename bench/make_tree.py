#!/usr/bin/env python3
"""Writes the benchmarks' folder tree: FILES files spread over FOLDERS
folders in 40 groups (group00/dir00000/file 00000.txt, ...), extensions
varied. Sizes are set without writing data (sparse files), so a million
files take inodes but no blocks; times are spread over about ten years so
that sorting by date has work to do.
Usage: make_tree.py ROOT FILES FOLDERS"""
import os
import sys

root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
exts = [".txt", ".jpg", ".html", ".zip", ".mp3", ".c", ".pdf", ".png"]
per = files // folders
for d in range(folders):
    sub = os.path.join(root, "group%02d" % (d % 40), "dir%05d" % d)
    os.makedirs(sub, exist_ok=True)
    for f in range(per):
        name = os.path.join(sub, "file %05d%s" % (f, exts[f % len(exts)]))
        fd = os.open(name, os.O_WRONLY | os.O_CREAT, 0o644)
        os.ftruncate(fd, (f * 7919) % 3000000)
        os.utime(fd, (0, 1_600_000_000 + (f * 7919 + d * 104729) % 300_000_000))
        os.close(fd)
