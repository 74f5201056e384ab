#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into corpus/<target>/.

The seeds are the kinds of input the test suite uses: settings files,
templates with each directive, archives (tar in several formats, plain and
compressed, zip, ar), masks and names.
libFuzzer's FuzzedDataProvider takes the targets' control values from the
END of an input, so each seed is the payload followed by those bytes.
Usage: make_corpus.py [output-folder]   (default: corpus/ beside this file)
"""
import bz2
import gzip
import io
import lzma
import os
import struct
import sys
import tarfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))

MARKUP = [
    b"<source>C:\\data</source>\r\n<Mask>*.htm</Mask>\r\n",
    b"<a>x &amp; y</a><b><![CDATA[x &amp; y]]></b>",
    b"<list>\r\n<a>x</a>\r\n</list>\r\n<c/><d></d>",
    b"<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e \"v\">]><!-- c --><x y='1'>&#65;&#x42;&lt;</x>",
    b"<a><b>x</b></a><open>",
    b"<!--#echo var=\"x\"--><!-- #echo --><!---->< ><%s%><#h#><!ELEMENT e><!ATTLIST a>",
    b"<a b=\"<c>\" d='\\'>'>t</a></a>",
]

TEMPLATES = [
    b"<ul><!--#for var=files--><li><!--#echo var=name_files--></li><!--#endfor--></ul>",
    b"<!--#if var=show_summary-->S<!--#else-->N<!--#endif-->",
    b"<!--#if var=zero-->S<!--#else-->N<!--#endif--><!--#if var=half-->h<!--#endif-->",
    b"<!--#ECHO VAR=title--><!--#echo var=Title--><!-- #echo var=x --><!--#echo var=missing-->",
    b"<!--#for var=all--><!--#for var=files-->[<!--#echo var=name_files-->]<!--#endfor--><!--#endfor-->",
    b"<!--#endif--><!--#endfor--><!--#else--><!--#if var=empty-->x<!--#endif--><!--#for var=nope-->y<!--#endfor-->",
    b"<!--#echo var='a\\'-->b'--><!--#include file=x--><!--#for var=all-->open",
    b"plain text\r\nwith <b>markup</b> and <!-- a comment -->\n",
]

MASKS = [
    (b"*.htm; *.html", [b"index.HTML", b"a.htm", b"a.txt"]),
    (b"[ab]*.txt", [b"a1.txt", b"c.txt"]),
    (b"*", [b"", b"x"]),
    (b"a?c;;  ; b*", [b"ac", b"abc", b"abbc", b"bz"]),
    (b"(x|y)+.log", [b"xyx.log", b"z.log"]),
    (b"\xc3\xa9t\xc3\xa9*", [b"\xc3\xa9t\xc3\xa9.txt", b"ete"]),
]


def tar_bytes(members, fmt=tarfile.USTAR_FORMAT, end_blocks=False):
    out = io.BytesIO()
    with tarfile.open(fileobj=out, mode="w", format=fmt) as t:
        for name, data, kind in members:
            info = tarfile.TarInfo(name)
            info.mtime = 1000
            if kind == "dir":
                info.type = tarfile.DIRTYPE
                t.addfile(info)
            else:
                info.size = len(data)
                t.addfile(info, io.BytesIO(data))
    raw = out.getvalue()
    # Keep the two end blocks, drop the record padding after them.
    end = len(raw)
    while end >= 512 and raw[end - 512:end] == bytes(512):
        end -= 512
    return raw[:end] + (bytes(1024) if end_blocks else b"")


TARS = [
    tar_bytes([("dir/", b"", "dir"), ("dir/f.txt", b"hello", "file"),
               ("x.bin", b"\x00\x01", "file")], end_blocks=True),
    tar_bytes([("a/b/c.txt", b"c", "file")]),
    tar_bytes([("long/" + "n" * 120 + ".txt", b"L", "file")],
              tarfile.GNU_FORMAT),
    tar_bytes([("p\u00e9/" + "q" * 110, b"pax", "file")], tarfile.PAX_FORMAT),
    b"",
]


def zip_bytes(entries):
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=(2020, 6, 15, 12, 34, 56))
            z.writestr(info, data)
    return out.getvalue()


ZIPS = [
    zip_bytes([("docs/a.txt", b"a"), ("docs/b.txt", b"bb"), ("x.bin", b"x")]),
    zip_bytes([("/abs/f.txt", b"f"), ("empty.txt", b""), ("dir/", b"")]),
    zip_bytes([]),
]


def ar_bytes(members):
    out = b"!<arch>\n"
    for name, data in members:
        head = b"%-16s%-12d%-6d%-6d%-8o%-10d`\n" % (name + b"/", 1000, 0, 0,
                                                   0o644, len(data))
        out += head + data + (b"\n" if len(data) % 2 else b"")
    return out


def archives():
    out = list(TARS) + list(ZIPS)
    out.append(b"PK\x05\x06" + bytes(18))  # empty zip: the end record alone
    out.append(gzip.compress(TARS[0], mtime=0))
    out.append(bz2.compress(TARS[2]))
    out.append(lzma.compress(TARS[3]))
    out.append(ar_bytes([(b"a.txt", b"abc"), (b"b", b"")]))
    # A sparse GNU entry and a tar whose second header lies about its size.
    out.append(tar_bytes([("s", b"x" * 600, "file")], tarfile.GNU_FORMAT))
    lie = bytearray(TARS[0])
    lie[512 + 124:512 + 135] = b"77777777777"
    out.append(bytes(lie))
    return out


def tail(*values):
    """Control bytes, given in the order the target consumes them (each
    one is taken from the end)."""
    out = b""
    for size, value in values:
        out = struct.pack("<Q", value)[:size] + out
    return out


def provider_string(s):
    """s as FuzzedDataProvider.ConsumeRandomLengthString reads it back."""
    return s.replace(b"\\", b"\\\\") + b"\\n"


def seeds():
    yield "tokenizer", [m + tail((2, mask), (1, keep), (4, seed))
                        for m in MARKUP
                        for mask, keep, seed in [(0, 1, 7), (0x2000, 1, 99),
                                                 (0x437, 0, 12345)]]
    yield "settings", [m + tail((4, seed)) for m in MARKUP for seed in (1, 77)]
    yield "template", [t + tail((1, chunk)) for t in TEMPLATES for chunk in (0, 6)]
    yield "archive", archives()
    yield "masks", [provider_string(m) + b"".join(provider_string(n) for n in names)
                    for m, names in MASKS]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")
    for target, items in seeds():
        folder = os.path.join(root, target)
        os.makedirs(folder, exist_ok=True)
        for i, data in enumerate(items):
            with open(os.path.join(folder, "seed-%02d" % i), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
