#!/usr/bin/env python3
"""Checks the shipped data tables, the style catalogue and the icon set.

Usage: check_tables.py [REPO_ROOT]   (default: two folders above this file)

Reads kvdata/*.txt the way the program does (elements <key>text</key>, names
folded to lower case, entities expanded) and checks that:
- extension keys are lower case, unique, and can be element names;
- the description and icon tables cover the same keys;
- every icon that a table names exists in images/ and is a well-formed SVG;
- the type tables hold the major content types, "folder" and "other";
- descriptions carry no markup characters (listings write them unescaped);
- every style in the catalogue has a name, a template file that exists, and a
  description, and the default template download.txt is among them;
- images/dirgen.gif is a 40 x 42 GIF;
- the styles that draw large listings by script carry the same script, so
  a fix to one copy cannot miss the others.
Exit status 0 when all hold, 1 otherwise (each fault is printed).
"""
import html
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

ELEMENT = re.compile(r"<([A-Za-z_:][A-Za-z0-9_:.\-]*)>([^<]+)</([A-Za-z_:][A-Za-z0-9_:.\-]*)\s*>")
TYPES = ["text", "image", "audio", "video", "application", "font", "model",
         "multipart", "message", "folder", "other"]
faults = []


def fault(msg):
    faults.append(msg)
    print("FAIL:", msg)


def read_table(path):
    """Returns [(key, text)] in file order, as the program's reader gives them."""
    with open(path, encoding="utf-8") as f:
        data = re.sub(r"<!--.*?-->", "", f.read(), flags=re.S)
    pairs = []
    for m in ELEMENT.finditer(data):
        if m.group(1).lower() != m.group(3).lower():
            fault(f"{os.path.basename(path)}: <{m.group(1)}> closed by </{m.group(3)}>")
            continue
        pairs.append((m.group(1), html.unescape(m.group(2))))
    # Anything that looks like an element but was not read is a typo.
    stray = re.sub(ELEMENT, "", data).strip()
    if stray:
        fault(f"{os.path.basename(path)}: unreadable text: {stray[:60]!r}")
    return pairs


def check_key_table(root, name, minimum):
    pairs = read_table(os.path.join(root, "kvdata", name))
    keys = [k for k, _ in pairs]
    for k in keys:
        if k != k.lower():
            fault(f"{name}: key {k} is not lower case")
    dupes = sorted({k for k in keys if keys.count(k) > 1})
    if dupes:
        fault(f"{name}: repeated keys {dupes}")
    if len(keys) < minimum:
        fault(f"{name}: only {len(keys)} entries, want {minimum} or more")
    return dict(pairs)


def check_svg(path):
    try:
        svg = ET.parse(path).getroot()
    except ET.ParseError as e:
        fault(f"{path}: not well-formed: {e}")
        return
    if not svg.tag.endswith("svg") or not svg.get("viewBox"):
        fault(f"{path}: not an SVG with a viewBox")


def check_icons(root, table_name, table):
    for key, icon in table.items():
        path = os.path.join(root, "images", icon)
        if not re.fullmatch(r"[a-z0-9_\-]+\.svg", icon):
            fault(f"{table_name}: {key} names an odd icon file {icon!r}")
        elif not os.path.isfile(path):
            fault(f"{table_name}: {key} names missing icon images/{icon}")


def check_descriptions(table_name, table):
    for key, text in table.items():
        if re.search(r'[<>&"]', text):
            fault(f"{table_name}: description of {key} holds a markup character")


def check_styles(root):
    pairs = read_table(os.path.join(root, "kvdata", "styles.txt"))
    lists = {}
    for k, v in pairs:
        lists.setdefault(k.lower(), []).append(v)
    names = lists.get("style_name", [])
    files = lists.get("style_file", [])
    descriptions = lists.get("style_description", [])
    if not (len(names) == len(files) == len(descriptions)) or len(names) < 7:
        fault(f"styles.txt: {len(names)} names, {len(files)} files, "
              f"{len(descriptions)} descriptions (want equal, 7 or more)")
    if "download.txt" not in files:
        fault("styles.txt: the default template download.txt is missing")
    for f in files:
        if not os.path.isfile(os.path.join(root, "kvdata", f)):
            fault(f"styles.txt: template {f} does not exist")
    if len(set(files)) != len(files):
        fault("styles.txt: a template file is listed twice")


def check_gif(root):
    path = os.path.join(root, "images", "dirgen.gif")
    try:
        with open(path, "rb") as f:
            head = f.read(10)
    except OSError:
        fault("images/dirgen.gif is missing")
        return
    if head[:6] not in (b"GIF87a", b"GIF89a") or struct.unpack("<HH", head[6:10]) != (40, 42):
        fault("images/dirgen.gif is not a 40 x 42 GIF")


# The styles whose large listings one script draws, and the script's start.
SCROLLED_STYLES = ["links.txt", "download.txt", "tree.txt", "gallery.txt"]
SCROLLED_MARK = "// A large listing: the entries are in the data block below"


def check_scrolled_scripts(root):
    copies = {}
    for name in SCROLLED_STYLES:
        with open(os.path.join(root, "kvdata", name), encoding="utf-8") as f:
            text = f.read()
        at = text.find(SCROLLED_MARK)
        if at < 0:
            fault(f"{name}: no script for large listings")
            continue
        copies[name] = text[text.rfind("<script>", 0, at):text.find("</script>", at)]
    first = next(iter(copies.values()), "")
    for name, script in copies.items():
        if script != first:
            fault(f"{name}: the script for large listings differs from {SCROLLED_STYLES[0]}'s")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(
        os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ext_descr = check_key_table(root, "ext2descr.txt", 150)
    ext_img = check_key_table(root, "ext2img.txt", 150)
    if set(ext_descr) != set(ext_img):
        fault("ext2descr.txt and ext2img.txt cover different extensions: "
              f"{sorted(set(ext_descr) ^ set(ext_img))}")
    type_descr = check_key_table(root, "type2descr.txt", len(TYPES))
    type_img = check_key_table(root, "type2img.txt", len(TYPES))
    for t in TYPES:
        for name, table in (("type2descr.txt", type_descr), ("type2img.txt", type_img)):
            if t not in table:
                fault(f"{name}: no entry for {t}")
    for name, table in (("ext2img.txt", ext_img), ("type2img.txt", type_img)):
        check_icons(root, name, table)
    for name, table in (("ext2descr.txt", ext_descr), ("type2descr.txt", type_descr)):
        check_descriptions(name, table)
    for icon in sorted(os.listdir(os.path.join(root, "images"))):
        if icon.endswith(".svg"):
            check_svg(os.path.join(root, "images", icon))
    check_styles(root)
    check_gif(root)
    check_scrolled_scripts(root)
    print("check_tables:", "FAILED" if faults else "ok")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
