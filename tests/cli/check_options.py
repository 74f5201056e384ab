#!/usr/bin/env python3
"""Runs kdgn20 with options as a user would, from a folder of its own, and
checks each listing against the one its equivalent settings file makes.

Usage: check_options.py KDGN20 SOURCE-ROOT
The program is copied into an installed layout (PREFIX/bin/kdgn20 beside
PREFIX/share/dirgen/kvdata, a copy of the shipped data) and always started
from an empty folder elsewhere, so it has to find its data by itself.
"""
import json
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time
import unittest

KDGN20 = None
SOURCE_ROOT = None
# Every column a test listing shows; date_generated is left out so that two
# runs give the same bytes.
TEMPLATE = ("<!--#for var=all-->[<!--#echo var=rel_path_all-->|"
            "<!--#echo var=url_all-->|<!--#echo var=time_all-->|"
            "<!--#echo var=size_all--><!--#echo var=size_units_all-->|"
            "<!--#echo var=image_all-->]\n<!--#endfor-->"
            "<!--#echo var=show_summary-->|<!--#echo var=total_files-->|"
            "<!--#echo var=total_size-->|<!--#echo var=image_dir-->\n")
T_OLD, T_MID, T_NEW = 1000000000, 1500000000, 1700000000


# What the settings form prints when a build succeeds.
SETTINGS_FORM_SUCCESS = (rb"^Dirgen 2\.0\n\d+ listings? written, \d+ already "
                         rb"current\.\nBuild is successful\.\n$")

class Options(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.top = tempfile.mkdtemp(prefix="dirgen-options-")
        os.chmod(cls.top, 0o755)
        prefix = os.path.join(cls.top, "prefix")
        os.makedirs(os.path.join(prefix, "bin"))
        cls.exe = os.path.join(prefix, "bin", "kdgn20")
        shutil.copy2(KDGN20, cls.exe)
        shutil.copytree(os.path.join(SOURCE_ROOT, "kvdata"),
                        os.path.join(prefix, "share", "dirgen", "kvdata"))
        cls.elsewhere = os.path.join(cls.top, "elsewhere")
        os.makedirs(cls.elsewhere)
        cls.template = os.path.join(cls.top, "columns.txt")
        with open(cls.template, "w") as f:
            f.write(TEMPLATE)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.top)

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="case-", dir=self.top)
        os.chmod(self.dir, 0o755)
        self.src = self.at("src")
        files = {"a.txt": (1, T_OLD), "big.bin": (5000, T_NEW),
                 "b c.txt": (300, T_MID), "skip/x.txt": (10, T_MID),
                 "sub/d.txt": (20, T_NEW), "sub/deep/e.html": (3, T_MID)}
        for name, (size, mtime) in files.items():
            path = os.path.join(self.src, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"x" * size)
            os.utime(path, (mtime, mtime))
        self.out = self.at("out")
        os.makedirs(self.out)
        self.reset_folder_times()
        self.initial = set(self.new_files(set()))

    def reset_folder_times(self):
        """Folder times as they were: a listing written in a folder changes
        its time, which the next listing would show."""
        for root, dirs, _ in os.walk(self.src):
            for d in dirs + [""]:
                os.utime(os.path.join(root, d), (T_MID, T_MID))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def at(self, rel):
        return os.path.join(self.dir, rel)

    def run_kdgn20(self, args, stdin=None):
        p = subprocess.run([self.exe] + args, cwd=self.elsewhere,
                           input=stdin, capture_output=True, timeout=60)
        return p.returncode, p.stdout, p.stderr.decode()

    def settings_file(self, keys, name="s.txt"):
        path = self.at(name)
        with open(path, "w", newline="") as f:
            for key, value in keys.items():
                f.write("<%s>%s</%s>\r\n" % (key, value.replace("&", "&amp;")
                                             .replace("<", "&lt;"), key))
        return path

    def new_files(self, before):
        """The files of the source and output folders not in before."""
        found = {}
        for folder in (self.src, self.out):
            for root, _, names in os.walk(folder):
                for n in names:
                    p = os.path.join(root, n)
                    if p not in before:
                        with open(p, "rb") as f:
                            found[p] = f.read()
        return found

    def listings(self, args):
        """Runs kdgn20 with args; returns what it wrote, then removes it so
        the next run starts from the same folders."""
        before = set(self.new_files(set()))
        code, out, err = self.run_kdgn20(args)
        # The settings form keeps its banner and result line.
        if len(args) == 1 and args[0].endswith(".txt"):
            self.assertRegex(out, SETTINGS_FORM_SUCCESS, args)
            out = b""
        self.assertEqual((code, out, err), (0, b"", ""), args)
        made = self.new_files(before)
        for p in made:
            os.remove(p)
        self.reset_folder_times()
        return made

    def assert_same_as_settings(self, options, keys, source=None):
        source = source or self.src
        keys = dict(keys, path=source)
        keys.setdefault("format", self.template)
        if "-s" not in options:
            options = ["-s", self.template] + options
        from_options = self.listings(options + [source])
        from_file = self.listings([self.settings_file(keys)])
        self.assertTrue(from_options, options)
        self.assertEqual(from_options, from_file, options)
        return from_options

    def test_every_option_gives_the_listing_of_its_settings_file(self):
        out = os.path.join(self.out, "list.html")
        cases = [
            (["-r"], {"subfolders": "1", "subfolders_in_one_file": "1"}),
            (["--include", "*.txt", "--include=*.html", "--exclude", "b*",
              "--exclude-folders", "skip", "-r"],
             {"mask": "*.txt;*.html", "skip_files": "b*",
              "folder_skip": "skip", "subfolders": "1",
              "subfolders_in_one_file": "1"}),
            (["--include-folders", "s*", "--recursive", "--no-folders"],
             {"folder_include": "s*", "subfolders": "1",
              "subfolders_in_one_file": "1", "show_folders": "0"}),
            (["--sort", "size", "--reverse", "--size-units", "kb",
              "--summary"],
             {"order_files": "3", "sort_order": "1", "size_units": "1",
              "show_summary": "1"}),
            (["--sort=ext", "--size-units=mb"],
             {"order_files": "2", "size_units": "2"}),
            (["--date-format", "%Y/%m/%d %H:%M:%S", "--utc", "--image-dir",
              "/icons", "--escape-links"],
             {"date_format": "%Y/%m/%d %H:%M:%S", "is_gmt_date": "1",
              "image_dir": "/icons", "url_html_escape": "1"}),
            (["--min-size", "2", "--max-size", "1K", "--newer",
              "@%d" % T_MID, "--older", "@%d" % T_NEW],
             {"size_filter": "1", "size_start": "2", "size_end": "1024",
              "time_filter": "1", "time_start": str(T_MID),
              "time_end": str(T_NEW)}),
            (["--base-url", "https://example.org/f/", "--title", "A & B",
              "--replace-existing", "--sort", "date"],
             {"base_url": "https://example.org/f/", "title": "A & B",
              "replace_existing": "1", "order_files": "4"}),
        ]
        for options, keys in cases:
            with self.subTest(options=options):
                self.assert_same_as_settings(options + ["-o", out],
                                             dict(keys, save=out))
        # One listing per folder, named by -o, in every folder.
        made = self.assert_same_as_settings(
            ["--per-folder", "-o", "idx.html"],
            {"subfolders": "1", "subfolders_in_one_file": "0",
             "save": "idx.html"})
        self.assertEqual(sorted(os.path.relpath(p, self.src) for p in made
                                if p.endswith("idx.html")),
                         ["idx.html", "skip/idx.html", "sub/deep/idx.html",
                          "sub/idx.html"])
        # Without -o: index.html in the listed folder.
        self.assert_same_as_settings([], {})
        self.assertFalse(os.path.exists(os.path.join(self.src, "index.html")))

    def test_an_archive_is_known_by_its_content(self):
        archive = self.at("files.data")  # no telling extension
        with tarfile.open(archive, "w:gz") as t:
            t.add(self.src, arcname="src")
        out = os.path.join(self.out, "a.html")
        self.assert_same_as_settings(["-o", out, "--sort", "name"],
                                     {"source": "1", "save": out,
                                      "order_files": "1"}, source=archive)
        # Alone on the command line it is a source too.
        code, out_bytes, err = self.run_kdgn20([archive])
        self.assertEqual((code, out_bytes, err), (0, b"", ""))
        self.assertTrue(os.path.exists(self.at("index.html")))

    def test_a_shipped_style_gives_the_bytes_of_its_settings_file(self):
        out = os.path.join(self.out, "doc.html")
        keys = {"format": "table.txt", "subfolders": "1",
                "subfolders_in_one_file": "1", "save": out}
        for _ in range(3):  # the page shows the time it was made
            start = time.time()
            a = self.listings(["-s", "table", "-r", "-o", out, self.src])
            b = self.listings([self.settings_file(dict(keys, path=self.src))])
            if int(start) == int(time.time()):
                break
        self.assertEqual(a, b)
        self.assertIn(b"b c.txt", a[out])

    def test_standard_output_gets_the_listing_and_nothing_else(self):
        code, out, err = self.run_kdgn20(["-s", "json", "-r", "-o", "-",
                                          self.src])
        self.assertEqual((code, err), (0, ""))
        rows = [json.loads(line) for line in out.decode().splitlines()]
        self.assertIn("sub/deep/e.html", [r["path"] for r in rows])
        self.assertEqual(os.listdir(self.out), [])
        # The same bytes as a file in the current folder, which links of a
        # streamed listing start from.
        code, streamed, _ = self.run_kdgn20(["-s", self.template, "-r", "-o",
                                             "-", self.src])
        target = os.path.join(self.elsewhere, "x")
        code, _, _ = self.run_kdgn20(["-s", self.template, "-r", "-o", target,
                                      self.src])
        with open(target, "rb") as f:
            self.assertEqual(streamed, f.read())
        code, out, err = self.run_kdgn20(["--per-folder", "-o", "-",
                                          self.src])
        self.assertEqual((code, out), (2, b""))
        self.assertIn("kdgn20: -o - writes one listing", err)

    def test_settings_files_and_options_meet(self):
        out = os.path.join(self.out, "l.html")
        keys = {"path": self.src, "save": out, "format": self.template,
                "order_files": "1", "show_summary": "1"}
        s = self.settings_file(keys)
        direct = self.listings([s])
        self.assertEqual(self.listings(["--settings", s]), direct)
        # A settings file read from a pipe is not taken for a source.
        p = subprocess.run(["bash", "-c", '"$0" <(cat "$1")', self.exe, s],
                           capture_output=True, cwd=self.elsewhere)
        self.assertRegex(p.stdout, SETTINGS_FORM_SUCCESS)
        self.assertEqual(direct,
                         self.new_files(self.initial))
        os.remove(out)
        with open(s, "rb") as f:
            code, stdout, err = self.run_kdgn20(["--settings", "-"], f.read())
        self.assertEqual((code, stdout, err), (0, b"", ""))
        with open(out, "rb") as f:
            self.assertEqual(f.read(), direct[out])
        os.remove(out)
        # Options override the file.
        self.assertEqual(
            self.listings(["--settings", s, "--sort", "size", "--reverse"]),
            self.listings([self.settings_file(dict(keys, order_files="3",
                                                   sort_order="1"))]))

    def test_a_command_line_becomes_a_settings_file_and_back(self):
        out = os.path.join(self.out, "l.html")
        options = ["-s", self.template, "-r", "-o", out, "--sort", "size",
                   "--newer", "@%d" % T_OLD, "--older", "@%d" % T_NEW,
                   "--title", "<T>", self.src]
        saved = self.at("saved.txt")
        code, stdout, err = self.run_kdgn20(options + ["--save-settings",
                                                       saved])
        self.assertEqual((code, stdout, err), (0, b"", ""))
        self.assertEqual(self.new_files(self.initial), {})  # nothing was built
        with open(saved, "rb") as f:
            text = f.read()
        lines = text.split(b"\r\n")
        self.assertEqual((len(lines), lines[-1]), (29, b""))
        self.assertIn(b"<title>&lt;T&gt;</title>", lines)
        code, printed, _ = self.run_kdgn20(options + ["--print-settings"])
        self.assertEqual((code, printed), (0, text))
        self.assertEqual(self.listings(options), self.listings([saved]))

    def test_check_reports_and_writes_nothing(self):
        out = os.path.join(self.out, "l.html")
        code, stdout, err = self.run_kdgn20(["--check", "-o", out, self.src])
        self.assertEqual((code, stdout.decode(), err),
                         (0, "would write %s\n" % out, ""))
        cases = [
            (["-o", os.path.join(self.at("none"), "l.html"), self.src],
             "kdgn20: Can't create output file. %s/l.html: No such file or "
             "directory\n" % self.at("none")),
            (["-o", out, self.at("gone")],
             "kdgn20: Source directory doesn't exist. %s: No such file or "
             "directory\n" % self.at("gone")),
            (["-s", self.at("gone.txt"), self.src],
             "kdgn20: no style or template file \"%s\" (kdgn20 --list-styles"
             " shows the styles)\nTry 'kdgn20 --help' for more information.\n"
             % self.at("gone.txt")),
        ]
        with open(self.at("bad.txt"), "w") as f:
            f.write("<!--#echo var=nmae_all-->")
        cases.append((["-s", self.at("bad.txt"), self.src],
                      "kdgn20: Error occurred while processing KVI directive. "
                      "%s: line 1, column 1: unknown variable nmae_all"
                      % self.at("bad.txt")))
        cases.append((["--include", "[a", self.src],
                      "kdgn20: Invalid pattern \"[a\" in mask"))
        for args, message in cases:
            code, stdout, err = self.run_kdgn20(["--check"] + args)
            self.assertEqual(stdout, b"", args)
            self.assertTrue(err.startswith(message), err)
            self.assertEqual(len(err.splitlines()), 2 if code == 2 else 1)
            self.assertIn(code, (1, 2))
            # The build itself ends the same way.
            self.assertEqual(self.run_kdgn20(args)[:2], (code, b""))
        self.assertEqual(self.new_files(self.initial), {})
        # A file Dirgen did not write is refused as the build refuses it,
        # until a build is allowed to replace it; its listing is then
        # Dirgen's own.
        with open(out, "w") as f:
            f.write("a hand-made page")
        code, stdout, err = self.run_kdgn20(["--check", "-o", out, self.src])
        self.assertEqual((code, stdout), (1, b""))
        self.assertTrue(err.startswith("kdgn20: Can't replace a file Dirgen "
                                       "did not write. %s: 1 of 1 such file"
                                       % out), err)
        self.assertEqual(self.run_kdgn20(["-o", out, self.src])[0], 1)
        self.assertEqual(self.run_kdgn20(["--replace-existing", "-o", out,
                                          self.src])[0], 0)
        self.assertEqual(self.run_kdgn20(["--check", "-o", out, self.src]),
                         (0, ("would write %s\n" % out).encode(), ""))

    def test_failures_go_to_standard_error(self):
        code, out, err = self.run_kdgn20(["-o", self.at("no/x.html"),
                                          self.src])
        self.assertEqual((code, out), (1, b""))
        self.assertEqual(err, "kdgn20: Can't create output file. %s: No such "
                         "file or directory\n" % self.at("no/x.html"))
        code, out, err = self.run_kdgn20(["-s", "nosuch", self.src])
        self.assertEqual((code, out), (2, b""))
        code, out, err = self.run_kdgn20(["--title", "x"])
        self.assertEqual((code, out), (2, b""))
        self.assertIn("kdgn20: no SOURCE given", err)
        code, out, err = self.run_kdgn20(["--settings", self.at("nosuch")])
        self.assertEqual((code, out), (1, b""))
        self.assertEqual(err, "kdgn20: Can't read %s file. No such file "
                         "or directory\n" % self.at("nosuch"))
        # Values are checked as in a settings file.
        code, out, err = self.run_kdgn20(["--settings", self.settings_file(
            {"path": self.src, "sort_order": "up"})])
        self.assertEqual((code, out), (1, b""))
        self.assertRegex(err, "^kdgn20: Bad value \"up\" for sort_order")
        code, out, err = self.run_kdgn20(["-v", "-o", self.at("v.html"),
                                          self.src])
        self.assertEqual((code, out), (0, b""))
        self.assertEqual(err, "kdgn20: wrote %s\nkdgn20: Build is "
                         "successful.\n" % self.at("v.html"))

    def test_unreadable_entries_exit_3(self):
        os.chmod(self.dir, 0o777)
        for root, dirs, files in os.walk(self.src):
            for n in dirs:
                os.chmod(os.path.join(root, n), 0o777)
        os.chmod(self.out, 0o777)
        os.chmod(os.path.join(self.src, "skip"), 0)
        cmd = [self.exe, "-r", "-o", os.path.join(self.out, "l.html"),
               self.src]
        if os.geteuid() == 0:
            cmd = ["setpriv", "--reuid=65534", "--regid=65534",
                   "--clear-groups", "--"] + cmd
        for quiet, expected in (([], "kdgn20: Build is complete; 1 entry "
                                     "could not be read.\n"), (["-q"], "")):
            p = subprocess.run(cmd + quiet, cwd=self.elsewhere,
                               capture_output=True)
            self.assertEqual((p.returncode, p.stdout), (3, b""))
            self.assertTrue(p.stderr.decode().endswith(expected), p.stderr)
            if quiet:
                self.assertEqual(p.stderr, b"")
        os.chmod(os.path.join(self.src, "skip"), 0o755)

    def test_answers_without_a_build(self):
        code, out, err = self.run_kdgn20(["--list-styles"])
        self.assertEqual((code, err), (0, ""))
        self.assertIn("table      Sortable table with search (table.txt)\n"
                      "           One self-contained HTML file", out.decode())
        code, out, _ = self.run_kdgn20(["--version"])
        self.assertEqual((code, out), (0, b"Dirgen 2.0\n"))
        code, out, _ = self.run_kdgn20(["-h", "--nonsense-later"])
        self.assertEqual(code, 2)  # every word is read before answering
        code, out, _ = self.run_kdgn20(["--help", self.src])
        self.assertEqual(code, 0)
        self.assertIn("-o, --output=FILE", out.decode())
        self.assertEqual(self.new_files(self.initial), {})


if __name__ == "__main__":
    KDGN20 = os.path.abspath(sys.argv.pop(1))
    SOURCE_ROOT = os.path.abspath(sys.argv.pop(1))
    unittest.main()
