#!/usr/bin/env python3
"""Renders every shipped style over sample folders and checks the output.

Usage: check_styles.py KDGN20 REPO_ROOT
       (or the environment variables DIRGEN_KDGN20 and DIRGEN_SOURCE_ROOT)

For each style of kvdata/styles.txt and each sample folder (a flat folder, a
folder of hostile names, a recursive tree in one file and in one file per
folder, a listing whose files were all filtered away, and an empty folder) it
writes a settings file, runs `kdgn20 SETTINGS-FILE` in a working folder whose
kvdata is the repository's, and checks that:
- the build reports "Build is successful." and exits with 0;
- no output holds the interpreter's error message or an unrun directive;
- an HTML output parses, declares utf-8 and a viewport, has balanced
  elements, and holds only the elements, scripts and attributes that its
  template writes: a file name never becomes markup, an event handler or a
  javascript: link;
- every file name is shown as it is (in the page text, or in the data block
  of a scripted page, or as the raw path in a text output).
When Chromium is found (or DIRGEN_CHROMIUM names it) and DIRGEN_CHECK_BROWSER
is not 0, the pages of hostile names are also loaded in it and the same
checks run on the live page, after its scripts have run.

Exit status: 0 all passed, 1 a check failed, 77 the binary does not exist
(CTest treats 77 as skipped when SKIP_RETURN_CODE is 77).
"""
import csv
import html
import html.parser
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ERROR_TEXT = "Error occurred while processing KVI directive"
VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
        "meta", "source", "track", "wbr"}

# Hostile and unusual file names (no "/" can occur in a name).
HOSTILE_FILES = [
    "plain.txt", "a&b.txt", "less<than.txt", "greater>than.txt",
    'dq"uote.txt', "ap'ostrophe.txt", "<script>alert(1).txt",
    "x<img src=x onerror=alert(2)>.png", "ext.<b onmouseover=alert(3)>",
    "back\\slash\\", "tab\tname.txt", "new\nline.txt", "café ünï 日本語.txt",
    "&amp;lt;.txt", "%41%2F.txt", "javascript:alert(4)", ".profile",
    "-->.txt", "<!--.txt", "<\\script>alert(5)",
]
HOSTILE_FOLDERS = ["dir<i>&\"'", "javascript:alert(6)"]

faults = []


def fault(where, msg):
    faults.append(f"{where}: {msg}")
    print(f"FAIL {where}: {msg}")


def html_escape(name):
    """The program's escaping of a name for markup (valid UTF-8 kept)."""
    return (name.replace("&", "&amp;").replace('"', "&quot;")
            .replace("<", "&lt;").replace(">", "&gt;"))


SHOWN_AS_CODE = {0x061C, 0x200E, 0x200F, 0x2028, 0x2029,
                 *range(0x202A, 0x202F), *range(0x2066, 0x206A)}


def shown_form(name):
    """How an HTML page shows a name: control and direction characters as
    their codes ("\\u0009"), everything else as it is."""
    return "".join(
        f"\\u{ord(c):04X}" if ord(c) < 0x20 or 0x7F <= ord(c) <= 0x9F
        or ord(c) in SHOWN_AS_CODE else c
        for c in name)


# ---------------------------------------------------------------- samples

def make_tree(root, layout):
    """layout: dict name -> bytes (file) or dict (folder)."""
    os.makedirs(root, exist_ok=True)
    for name, content in layout.items():
        path = os.path.join(root, name)
        if isinstance(content, dict):
            make_tree(path, content)
        else:
            with open(path, "wb") as f:
                f.write(content)


FLAT = {"readme.txt": b"hello\n", "photo.JPG": b"\xff\xd8" * 600,
        "archive.tar.gz": b"\0" * 9000, "notes": b"x", "space name.pdf": b"%PDF",
        "docs": {"inner.txt": b"i"}}
RECURSIVE = {"top.txt": b"t" * 3000, "a": {"b": {"c.txt": b"c"}, "x.png": b"p"},
             "empty": {}, "z.md": b"z"}
HOSTILE = dict({n: b"evil" for n in HOSTILE_FILES},
               **{n: {"in.txt": b"i"} for n in HOSTILE_FOLDERS})


def file_names(layout, recursive):
    names = []
    for name, content in layout.items():
        if isinstance(content, dict):
            if recursive:
                names += file_names(content, True)
        else:
            names.append(name)
    return names


SETTINGS_DEFAULTS = {
    "source": "0", "mask": "*", "skip_files": "", "folder_include": "*",
    "folder_skip": "", "subfolders": "0", "subfolders_in_one_file": "0",
    "date_format": "%Y-%m-%d %H:%M", "is_gmt_date": "1", "order_files": "1",
    "sort_order": "0", "show_summary": "1", "show_folders": "1",
    "image_dir": "../images", "size_units": "1", "url_html_escape": "0",
    "time_filter": "0", "time_start": "0", "time_end": "0",
    "size_filter": "0", "size_start": "0", "size_end": "1048576",
}


def write_settings(path, values):
    """Writes a settings file: 25 lines <key>value</key>, CR LF, key order."""
    with open(path, "wb") as f:
        for key in sorted(values):
            value = html_escape(values[key]).encode("utf-8")
            f.write(b"<%s>%s</%s>\r\n" % (key.encode(), value, key.encode()))


# ---------------------------------------------------------------- HTML checks

class Page(html.parser.HTMLParser):
    """Collects elements, attributes, text and nesting faults of a page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = []           # (tag, attrs) in order
        self.text = []           # text outside script and style
        self.scripts = []        # (attrs, text)
        self.stack = []
        self.nesting = []
        self._raw = None

    def handle_starttag(self, tag, attrs):
        self.tags.append((tag, attrs))
        if tag in ("script", "style"):
            self._raw = (tag, dict(attrs), [])
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.tags.append((tag, attrs))

    def handle_endtag(self, tag):
        if self._raw and tag == self._raw[0]:
            if tag == "script":
                self.scripts.append((self._raw[1], "".join(self._raw[2])))
            self._raw = None
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.nesting.append(f"</{tag}> closes <{self.stack[-1] if self.stack else ''}>")
            if tag in self.stack:
                while self.stack.pop() != tag:
                    pass
            return
        self.stack.pop()

    def handle_data(self, data):
        if self._raw:
            self._raw[2].append(data)
        else:
            self.text.append(data)


def template_shape(template_text):
    """Elements, script count and attribute names a template writes itself."""
    page = Page()
    page.feed(re.sub(r"<!--#.*?-->", "", template_text, flags=re.S))
    page.close()
    tags = {t for t, _ in page.tags}
    attrs = {a for _, at in page.tags for a, _ in at}
    return tags, len(page.scripts), attrs


def data_block_names(block):
    """Full names recovered from a table page's data block, the way its
    script reads them: one entry per line, tab-separated fields, the name
    first, written as the inside of a JSON string."""
    names = []
    for record in block.split("\n"):
        f = record.split("\t")
        if len(f) < 6 or not f[0]:
            continue
        names.append(json.loads('"' + f[0] + '"'))
    return names



def percent_decode(s):
    from urllib.parse import unquote_to_bytes
    return unquote_to_bytes(s).decode("utf-8", "replace")


def check_html(where, out, shape, expected_names):
    tags, script_count, attrs = shape
    page = Page()
    page.feed(out)
    page.close()
    head = out[:600].lower()
    if not head.startswith("<!doctype html>"):
        fault(where, "does not start with <!DOCTYPE html>")
    if '<meta charset="utf-8">' not in head:
        fault(where, "no <meta charset=\"utf-8\"> near the top")
    if 'name="viewport"' not in out[:1200]:
        fault(where, "no viewport meta element")
    for problem in page.nesting[:3]:
        fault(where, "unbalanced elements: " + problem)
    if page.stack:
        fault(where, f"elements left open: {page.stack}")
    for tag, at in page.tags:
        if tag not in tags:
            fault(where, f"element <{tag}> that the template does not write")
        for name, value in at:
            if name not in attrs or name.startswith("on"):
                fault(where, f"attribute {name} on <{tag}> that the template does not write")
            if name in ("href", "src") and value and \
                    re.sub(r"[\s\x00-\x1f]", "", value).lower().startswith(("javascript:", "data:", "vbscript:")):
                fault(where, f"{name}={value!r} on <{tag}> is a script link")
    if len(page.scripts) > script_count:
        fault(where, f"{len(page.scripts)} script elements, the template has {script_count}")
    shown = "".join(page.text)
    data = re.search(r'<noscript id="dirgen-data">(.*?)</noscript>', out, re.S)
    listed = data_block_names(data.group(1)) if data else []
    for name in expected_names:
        if name not in shown and shown_form(name) not in shown \
                and name not in listed:
            fault(where, f"name {name!r} is not shown as it is")


def read_back(style, out):
    """The texts a reader of style's format gets back from out: every JSON
    line's fields, every CSV cell, Markdown text with its escapes undone."""
    if style == "json.txt":
        texts = []
        for n, line in enumerate(out.splitlines(), 1):
            try:
                entry = json.loads(line)
            except ValueError as e:
                return [f"line {n} is not JSON: {e}"], None
            texts += [entry["name"], entry["path"]]
        return None, texts
    if style == "csv.txt":
        rows = list(csv.reader(io.StringIO(out, newline="")))
        if not rows or rows[0][:2] != ["name", "path"]:
            return ["no header row"], None
        bad = [r for r in rows[1:] if len(r) != len(rows[0])]
        if bad:
            return [f"row of {len(bad[0])} fields: {bad[0]!r}"], None
        return None, [cell for r in rows[1:] for cell in r[:2]]
    if style == "markdown.txt":
        # One pass, as a CommonMark reader does: an escaped "&" starts no
        # reference.
        text = re.sub(r"\\([!-/:-@\[-`{-~])|(&#?\w+;)",
                      lambda m: m.group(1) or html.unescape(m.group(2)), out)
        return None, [text]
    return None, [out, html.unescape(out)]


def check_text(where, style, out, expected_names):
    problems, texts = read_back(style, out)
    for p in problems or []:
        fault(where, p)
    if texts is None:
        return
    for name in expected_names:
        if not any(name in t or shown_form(name) in t for t in texts):
            fault(where, f"name {name!r} is missing")


def check_output(where, style, path, template_text, shape, expected_names):
    with open(path, "rb") as f:
        out = f.read().decode("utf-8", "replace")
    if ERROR_TEXT in out:
        fault(where, "holds the directive error message")
    leftover = re.search(r"<!--#[a-zA-Z].*?-->", out)
    if leftover:
        fault(where, f"unrun directive {leftover.group(0)} (missing variable?)")
    if template_text.lstrip().lower().startswith("<!doctype html"):
        check_html(where, out, shape, expected_names)
    else:
        check_text(where, style, out, expected_names)
    return out


# ---------------------------------------------------------------- browser

def find_chromium():
    for name in (os.environ.get("DIRGEN_CHROMIUM"), "chromium", "chromium-browser",
                 "google-chrome"):
        if name and shutil.which(name):
            return shutil.which(name)
    return None


def check_in_browser(chromium, where, path, shape, expected_names):
    """Loads the page in headless Chromium and checks the live document."""
    try:
        dom = subprocess.run(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu",
             "--virtual-time-budget=3000", "--window-size=1200,20000",
             "--dump-dom", "file://" + path],
            capture_output=True, timeout=120).stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        fault(where, "Chromium did not finish")
        return
    page = Page()
    page.feed(dom)
    page.close()
    tags, _, attrs = shape
    shown = "".join(page.text)
    if sum(1 for t, _ in page.tags if t == "script") > shape[1]:
        fault(where, "live page has more scripts than the template")
    for tag, at in page.tags:
        for name, value in at:
            if name.startswith("on"):
                fault(where, f"live page: attribute {name} on <{tag}>")
    injected = [t for t, _ in page.tags if t not in tags | {"tr", "td", "span", "a", "img",
                                                              "html", "head", "body", "tbody"}]
    if injected:
        fault(where, f"live page: unexpected elements {sorted(set(injected))}")
    for name in expected_names:
        if shown_form(name) not in shown:
            fault(where, f"live page does not show {name!r}")


# ---------------------------------------------------------------- runs

class Runner:
    def __init__(self, binary, root, work):
        self.binary, self.root, self.work = binary, root, work
        self.count = 0

    def build(self, where, settings):
        """Writes the settings file and runs the binary; returns (rc, stdout)."""
        self.count += 1
        path = os.path.join(self.work, f"settings{self.count}.txt")
        write_settings(path, settings)
        try:
            r = subprocess.run([self.binary, path], cwd=self.work, capture_output=True,
                               timeout=120)
        except subprocess.TimeoutExpired:
            fault(where, "kdgn20 did not finish within 120 s")
            return 1, ""
        return r.returncode, r.stdout.decode("utf-8", "replace")


def scenarios():
    """(label, tree, settings overrides, recursive, expect names?)"""
    return [
        ("flat", FLAT, {}, False),
        ("flat-nofolders-bytes", FLAT, {"show_folders": "0", "show_summary": "0",
                                        "size_units": "0"}, False),
        ("hostile-url", HOSTILE, {}, False),
        ("hostile-escaped", HOSTILE, {"url_html_escape": "1"}, False),
        ("recursive-one-file", RECURSIVE, {"subfolders": "1", "subfolders_in_one_file": "1"}, True),
        ("recursive-one-file-nofolders", RECURSIVE, {"subfolders": "1", "subfolders_in_one_file": "1",
                                                     "show_folders": "0"}, True),
        ("recursive-per-folder", RECURSIVE, {"subfolders": "1"}, False),
        ("filtered-empty", FLAT, {"mask": "*.nothing", "folder_include": "nothing"}, False),
        ("folders-only", {"d1": {}, "d2": {}}, {}, False),
    ]


def run_style(runner, style, template_text, chromium):
    shape = template_shape(template_text) if "<!doctype html" in template_text[:200].lower() else None
    suffix = ".html" if shape else ".out"  # so that a browser reads pages as HTML
    for label, tree, overrides, recursive in scenarios():
        where = f"{style} / {label}"
        src = os.path.join(runner.work, "src", style + "-" + label)
        make_tree(src, tree)
        out = os.path.join(runner.work, "out", f"{style}-{label}{suffix}")
        settings = dict(SETTINGS_DEFAULTS, path=src, save=out, format=style, **overrides)
        per_folder = overrides.get("subfolders") == "1" and overrides.get("subfolders_in_one_file") != "1"
        if per_folder:
            settings["save"] = "listing" + suffix
        rc, stdout = runner.build(where, settings)
        if rc != 0 or "Build is successful." not in stdout:
            fault(where, f"build failed (exit {rc}): {stdout.strip()!r}")
            continue
        filtered = "mask" in overrides and overrides["mask"] != "*"
        names = [] if filtered else file_names(tree, recursive)
        outputs = [(where, out, names)]
        if per_folder:
            outputs = [(where, os.path.join(src, "listing" + suffix), file_names(tree, False)),
                       (where + " (a/)", os.path.join(src, "a", "listing" + suffix), ["x.png"])]
        for w, path, expected in outputs:
            if not os.path.isfile(path):
                fault(w, f"no output file {path}")
                continue
            check_output(w, style, path, template_text, shape, expected)
            if chromium and shape and label.startswith("hostile"):
                check_in_browser(chromium, w, path, shape, expected)
    # An empty source folder: either a clean listing or the build's message.
    where = f"{style} / empty-folder"
    src = os.path.join(runner.work, "src", style + "-empty")
    os.makedirs(src, exist_ok=True)
    out = os.path.join(runner.work, "out", f"{style}-empty{suffix}")
    rc, stdout = runner.build(where, dict(SETTINGS_DEFAULTS, path=src, save=out, format=style))
    if rc == 0 and os.path.isfile(out):
        check_output(where, style, out, template_text, shape, [])
    elif "Directory is empty." not in stdout:
        fault(where, f"neither a listing nor \"Directory is empty.\": {stdout.strip()!r}")


def read_styles(root):
    with open(os.path.join(root, "kvdata", "styles.txt"), encoding="utf-8") as f:
        text = f.read()
    return [html.unescape(m) for m in re.findall(r"<style_file>([^<]*)</style_file>", text)]


def main(argv):
    binary = argv[1] if len(argv) > 1 else os.environ.get("DIRGEN_KDGN20", "")
    root = argv[2] if len(argv) > 2 else os.environ.get("DIRGEN_SOURCE_ROOT", "")
    if not root:
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    if not binary or not os.access(binary, os.X_OK):
        print(f"check_styles: no kdgn20 binary at {binary!r}; skipped")
        return 77
    binary, root = os.path.abspath(binary), os.path.abspath(root)
    chromium = find_chromium() if os.environ.get("DIRGEN_CHECK_BROWSER", "1") != "0" else None
    with tempfile.TemporaryDirectory(prefix="dirgen-styles-") as work:
        os.symlink(os.path.join(root, "kvdata"), os.path.join(work, "kvdata"))
        os.makedirs(os.path.join(work, "out"))
        runner = Runner(binary, root, work)
        for style in read_styles(root):
            with open(os.path.join(root, "kvdata", style), encoding="utf-8") as f:
                run_style(runner, style, f.read(), chromium)
    print(f"check_styles: {runner.count} builds,",
          f"{len(faults)} faults" if faults else "ok",
          "(with Chromium)" if chromium else "(without Chromium)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
