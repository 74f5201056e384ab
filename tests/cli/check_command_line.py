#!/usr/bin/env python3
"""Runs kdgn20 as a user would and checks what it says and leaves behind.

Usage: check_command_line.py KDGN20
Unreadable folders are tried as the unprivileged user "nobody" (through
setpriv) when the check runs as root, since root reads every folder.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

KDGN20 = None
TEMPLATE = ("<!--#for var=all-->[<!--#echo var=rel_path_all-->"
            "<!--#echo var=name_all--><!--#echo var=ext_all-->]"
            "<!--#endfor-->")


def run(args, cwd, as_nobody=False):
    cmd = [KDGN20] + args
    if as_nobody and os.geteuid() == 0:
        cmd = ["setpriv", "--reuid=65534", "--regid=65534",
               "--clear-groups", "--"] + cmd
    p = subprocess.run(cmd, cwd=cwd, capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode(), p.stderr.decode()


class Scratch(unittest.TestCase):
    """A scratch folder with a template in kvdata/ and a small tree in src/."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="dirgen-cli-")
        os.chmod(self.dir, 0o755)
        os.makedirs(self.at("kvdata"))
        with open(self.at("kvdata/list.txt"), "w") as f:
            f.write(TEMPLATE)
        os.makedirs(self.at("src/sub"))
        for name in ("src/a.txt", "src/sub/b.txt"):
            with open(self.at(name), "w") as f:
                f.write("x")

    def tearDown(self):
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(self.dir)

    def at(self, rel):
        return os.path.join(self.dir, rel)

    def settings(self, text, name="s.txt"):
        with open(self.at(name), "w") as f:
            f.write(text)
        return name

    def read(self, rel):
        with open(self.at(rel)) as f:
            return f.read()


class CommandLine(Scratch):
    def test_wrong_arguments_say_why_and_exit_2(self):
        for args, why in ((["s.txt", "x"], "give one SOURCE, not also x"),
                          (["-x"], "unknown option -x"),
                          (["--version", "--sort"],
                           "option --sort needs a value")):
            code, out, err = run(args, self.dir)
            self.assertEqual((code, out), (2, ""), args)
            self.assertEqual(err, "kdgn20: %s\nTry 'kdgn20 --help' for more "
                             "information.\n" % why)
        code, out, _ = run(["--help"], self.dir)
        self.assertEqual(code, 0)
        self.assertIn("Usage: kdgn20 [OPTION]... SOURCE", out)
        self.assertIn("man kdgn20", out)

    def test_a_hand_written_file_needs_only_the_keys_it_changes(self):
        s = self.settings("<path>%s</path>\n<save>out.html</save>\n"
                          "<format>list.txt</format>\n" % self.at("src"))
        code, out, err = run([s], self.dir)
        self.assertEqual((code, out, err),
                         (0, "Dirgen 2.0\n1 listing written, 0 already "
                          "current.\nBuild is successful.\n", ""))
        # A relative save goes into the listed folder.
        self.assertEqual(self.read("src/out.html"), "[sub][a.txt]")

    def test_every_failure_names_the_file_and_the_reason(self):
        missing = self.at("nowhere")
        cases = [
            ("<path>%s</path><format>list.txt</format>" % missing,
             "Source directory doesn't exist. %s: No such file or directory"
             % missing),
            ("<source>1</source><path>%s.zip</path><format>list.txt</format>"
             % missing,
             "Source file doesn't exist. %s.zip: No such file or directory"
             % missing),
            ("<path>%s</path><format>nosuch.txt</format>" % self.at("src"),
             "Can't open template file %s: No such file or directory"
             % os.path.join(self.dir, "kvdata/nosuch.txt")),
            ("<path>%s</path><save>%s</save><format>list.txt</format>"
             % (self.at("src"), self.at("no/out.html")),
             "Can't create output file. %s: No such file or directory"
             % self.at("no/out.html")),
        ]
        for text, line in cases:
            code, out, _ = run([self.settings(text)], self.dir)
            self.assertEqual((code, out), (1, "Dirgen 2.0\n" + line + "\n"))
        code, out, _ = run(["absent.txt"], self.dir)
        self.assertEqual((code, out), (1, "Dirgen 2.0\nCan't read absent.txt "
                                          "file. No such file or directory\n"))

    def test_a_damaged_archive_fails_with_the_readers_reason(self):
        subprocess.run("head -c 60000 /dev/urandom | base64 > big.txt && "
                       "tar -cf - big.txt | head -c 20000 | gzip > cut.tgz && "
                       "zip -q0 bad.zip big.txt && printf XXXX | "
                       "dd of=bad.zip conv=notrunc status=none && "
                       "printf 'JUNK' > old.html",
                       shell=True, cwd=self.dir, check=True)
        for archive, line in (
                ("cut.tgz", "File is not valid tar archive. %s: .*Truncated"),
                ("bad.zip", "Can't decompress zip file. %s: .*Damaged")):
            s = self.settings("<source>1</source><path>%s</path><save>"
                              "old.html</save><format>list.txt</format>"
                              "<replace_existing>1</replace_existing>"
                              % self.at(archive))
            code, out, _ = run([s], self.dir)
            self.assertEqual(code, 1, archive)
            self.assertRegex(out, "^Dirgen 2.0\n" + line % self.at(archive))
            self.assertEqual(self.read("old.html"), "JUNK")

    def test_an_archive_can_never_be_replaced_by_its_own_listing(self):
        with open(self.at("a.tar"), "wb") as f:
            f.write(b"\0" * 1024)
        before = self.read("a.tar")
        s = self.settings("<source>1</source><path>%s</path><save>a.tar</save>"
                          "<format>list.txt</format>" % self.at("a.tar"))
        code, out, _ = run([s], self.dir)
        self.assertEqual(code, 1)
        self.assertIn("Can't create output file. %s: this is the source "
                      "archive itself" % self.at("a.tar"), out)
        self.assertEqual(self.read("a.tar"), before)

    def test_unreadable_folders_are_warned_about_and_exit_3(self):
        os.chmod(self.dir, 0o777)
        os.chmod(self.at("src"), 0o777)
        for i in range(23):
            os.makedirs(self.at("src/locked%02d" % i))
            os.chmod(self.at("src/locked%02d" % i), 0)
        s = self.settings("<path>%s</path><save>%s</save><format>list.txt"
                          "</format><subfolders>1</subfolders>"
                          "<subfolders_in_one_file>1</subfolders_in_one_file>"
                          % (self.at("src"), self.at("out.html")))
        code, out, err = run([s], self.dir, as_nobody=True)
        self.assertEqual((code, out), (3, "Dirgen 2.0\n1 listing written, 0 "
                                          "already current.\nBuild is "
                                          "complete; 23 entries could not be "
                                          "read.\n"))
        lines = err.splitlines()
        self.assertEqual(len(lines), 22, err)
        self.assertEqual(lines[0], "kdgn20: warning: can't read %s: "
                         "Permission denied" % self.at("src/locked00"))
        self.assertEqual(lines[20], "kdgn20: warning: and 3 more")
        self.assertEqual(lines[21], "kdgn20: warning: 23 entries could not "
                         "be read; folders among them are listed without "
                         "their contents, other entries are left out")
        listing = self.read("out.html")
        self.assertIn("[sub/b.txt]", listing)
        self.assertIn("[locked05]", listing)
        # One entry is counted in good English.
        for i in range(1, 23):
            os.rmdir(self.at("src/locked%02d" % i))
        code, out, err = run([s], self.dir, as_nobody=True)
        self.assertEqual((code, out), (3, "Dirgen 2.0\n1 listing written, 0 "
                                          "already current.\nBuild is "
                                          "complete; 1 entry could not be "
                                          "read.\n"))
        self.assertIn("1 entry could not be read; a folder is listed "
                      "without its contents", err)

    def test_a_read_only_listing_is_not_replaced(self):
        os.chmod(self.dir, 0o777)
        with open(self.at("out.html"), "w") as f:
            f.write("kept")
        os.chmod(self.at("out.html"), 0o444)
        if os.geteuid() == 0:
            os.chown(self.at("out.html"), 65534, 65534)
        s = self.settings("<path>%s</path><save>%s</save><format>list.txt"
                          "</format><replace_existing>1</replace_existing>"
                          % (self.at("src"), self.at("out.html")))
        code, out, _ = run([s], self.dir, as_nobody=True)
        self.assertEqual((code, out), (1, "Dirgen 2.0\nCan't create output "
                                          "file. %s: Permission denied\n"
                                          % self.at("out.html")))
        self.assertEqual(self.read("out.html"), "kept")
        self.assertEqual([n for n in os.listdir(self.dir) if "dirgen-" in n],
                         [])

    def test_a_folder_that_cannot_take_its_listing_fails_the_whole_build(self):
        for d in (self.dir, self.at("src")):
            os.chmod(d, 0o777)
        with open(self.at("src/list.html"), "w") as f:
            f.write("old top")
        os.chmod(self.at("src/list.html"), 0o666)
        os.chmod(self.at("src/sub"), 0o555)  # readable, not writable
        s = self.settings("<path>%s</path><save>list.html</save><format>"
                          "list.txt</format><subfolders>1</subfolders>"
                          "<replace_existing>1</replace_existing>"
                          % self.at("src"))
        code, out, _ = run([s], self.dir, as_nobody=True)
        self.assertEqual((code, out), (1, "Dirgen 2.0\nCan't create output "
                                          "file. %s: Permission denied\n"
                                          % self.at("src/sub/list.html")))
        self.assertEqual(self.read("src/list.html"), "old top")
        self.assertEqual(sorted(os.listdir(self.at("src"))),
                         ["a.txt", "list.html", "sub"])


class RefusedBeforeWriting(Scratch):
    """Settings and templates in error: status 1, the reason on standard
    output, and every file as it was (a hand-made page above all)."""

    def setUp(self):
        super().setUp()
        with open(self.at("src/index.html"), "w") as f:
            f.write("my own home page")
        with open(self.at("src/sub/index.html"), "w") as f:
            f.write("my own sub page")

    def snapshot(self):
        found = {}
        for root, _, files in os.walk(self.dir):
            for name in files:
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    found[os.path.relpath(path, self.dir)] = f.read()
        return found

    def refused(self, text, line, name="site.txt"):
        s = self.settings(text, name)
        before = self.snapshot()
        code, out, err = run([s], self.dir)
        self.assertEqual((code, out, err),
                         (1, "Dirgen 2.0\n" + line + "\n", ""))
        self.assertEqual(self.snapshot(), before)

    def test_a_misspelled_key_names_the_nearest_one(self):
        src = self.at("src")
        self.refused("<path>%s</path>\n<sav>files.html</sav>\n"
                     "<format>list.txt</format>\n" % src,
                     'Unknown key "sav" in site.txt line 2; '
                     'did you mean "save"?')
        self.refused("<path>%s</path><format>list.txt</format>\n"
                     "<subfolders>1</subfolders>\n"
                     "<subfolder_in_one_file>0</subfolder_in_one_file>\n"
                     % src,
                     'Unknown key "subfolder_in_one_file" in site.txt '
                     'line 3; did you mean "subfolders_in_one_file"?')

    def test_a_value_a_key_does_not_take(self):
        head = "<path>%s</path><format>list.txt</format>\n" % self.at("src")
        self.refused(head + "<subfolders>yes</subfolders>",
                     'Bad value "yes" for subfolders in site.txt line 2: it '
                     'is not a number; subfolders takes 0 or 1.')
        self.refused(head + "<order_files>size</order_files>",
                     'Bad value "size" for order_files in site.txt line 2: '
                     'it is not a number; order_files takes 0 (unsorted), '
                     '1 (name), 2 (extension), 3 (size) or 4 (date).')
        self.refused(head + "<size_units>1Kb</size_units>",
                     'Bad value "1Kb" for size_units in site.txt line 2: it '
                     'has "Kb" after the number; size_units takes 0 (bytes), '
                     '1 (Kb), 2 (Mb), 3 (human, decimal) or 4 (human, '
                     'binary).')

    def test_a_pattern_that_does_not_compile(self):
        self.refused("<path>%s</path><format>list.txt</format>"
                     "<mask>*.html; *.(txt</mask>" % self.at("src"),
                     'Invalid pattern "*.(txt" in mask: Unmatched ( or \\(.')

    def test_a_template_in_error(self):
        template = self.at("kvdata/list.txt")
        with open(template, "w") as f:
            f.write("<ul>\n<!--#for var=files-->"
                    "<li><!--#echo var=nmae_html_files--></li>"
                    "<!--#endfor-->\n</ul>\n")
        for one_file in ("1", "0"):
            self.refused("<path>%s</path><format>list.txt</format>"
                         "<subfolders>1</subfolders><subfolders_in_one_file>"
                         "%s</subfolders_in_one_file>"
                         % (self.at("src"), one_file),
                         "Error occurred while processing KVI directive. %s: "
                         "line 2, column 26: unknown variable "
                         "nmae_html_files; did you mean name_html_files?"
                         % template)

    def test_a_file_that_holds_no_settings(self):
        self.refused("", "Can't read site.txt file. It holds no settings "
                         "(no <key>value</key> element).")
        with open(self.at("utf16.txt"), "wb") as f:
            f.write("<path>/srv</path>".encode("utf-16"))
        before = self.snapshot()
        code, out, _ = run(["utf16.txt"], self.dir)
        self.assertEqual((code, out), (1, "Dirgen 2.0\nCan't read utf16.txt "
                                          "file. It is UTF-16 text; a "
                                          "settings file is UTF-8 text.\n"))
        self.assertEqual(self.snapshot(), before)
        # A folder is a source to list, not a settings file.
        # (The default template, download.txt, is not in this kvdata.)
        code, out, err = run(["src"], self.dir)
        self.assertEqual((code, out), (1, ""))
        self.assertEqual(err, "kdgn20: Can't open template file %s: No such "
                         "file or directory\n"
                         % os.path.join(self.dir, "kvdata/download.txt"))

if __name__ == "__main__":
    KDGN20 = os.path.abspath(sys.argv.pop(1))
    unittest.main()
