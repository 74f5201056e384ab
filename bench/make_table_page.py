#!/usr/bin/env python3
"""Writes a table page of many entries in the program's own format without
making the files: takes a table page that kdgn20 wrote (TEMPLATE_PAGE, over
a folder of one file per extension below), keeps everything around its data
block and writes ENTRIES generated lines into it, shaped like make_tree.py's
tree (group00/dir00000/file 00000.txt ..., 40 groups, FILES_PER_FOLDER
files per folder), with the type and icon the page gave each extension.
Usage: make_table_page.py TEMPLATE_PAGE OUT ENTRIES [FILES_PER_FOLDER]"""
import sys

src, out, entries = sys.argv[1], sys.argv[2], int(sys.argv[3])
per = int(sys.argv[4]) if len(sys.argv) > 4 else 100
EXTS = [".txt", ".jpg", ".html", ".zip", ".mp3", ".c", ".pdf", ".png"]

page = open(src, encoding="utf-8").read()
start = page.index('<noscript id="dirgen-data">')
start = page.index("\n", start) + 1  # after the line for readers without scripts
end = page.index("</noscript>", start)
media = {}
for line in page[start:end].split("\n"):
    f = line.split("\t")
    if len(f) == 6 and f[0] and f[2]:
        media[f[0][f[0].rfind("."):]] = (f[4], f[5])

with open(out, "w", encoding="utf-8") as o:
    o.write(page[:start])
    folders = max(1, entries // (per + 1))
    groups = min(40, folders)
    written = 0
    for g in range(groups):
        o.write("group%02d\t1\t\t1600000000\tFolder\ti-folder_2Esvg\n" % g)
        written += 1
        for d in range(g, folders, groups):
            o.write("dir%05d\t1\t\t1600000000\tFolder\ti-folder_2Esvg\n" % d)
            lines = []
            for f in range(per):
                ext = EXTS[f % len(EXTS)]
                descr, icon = media[ext]
                lines.append("file %05d%s\t0\t%d\t%d\t%s\t%s\n" % (
                    f, ext, (f * 7919) % 3000000,
                    1_600_000_000 + (f * 7919 + d * 104729) % 300_000_000, descr, icon))
            o.write("".join(lines))
            o.write("\t0\t\t\t\t\n")
            written += per + 1
        o.write("\t0\t\t\t\t\n")
    o.write(page[end:])
print(written)
