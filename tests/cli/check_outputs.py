#!/usr/bin/env python3
"""Checks what kdgn20 writes, replaces and leaves behind, as a user sees it:
files it did not write, a second run over an unchanged tree, a link planted
by another user, builds interrupted by signals or killed outright, and a
tree deeper than the open-file limit.

Usage: check_outputs.py KDGN20
The planted link is tried with two users (root and "nobody", through
setpriv) and is skipped when the check does not run as root.
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

KDGN20 = None
TEMPLATE = ("<!--#for var=all-->[<!--#echo var=name_all-->"
            "<!--#echo var=ext_all-->]<!--#endfor-->")
URLS = "<!--#for var=all--><!--#echo var=url_all-->\n<!--#endfor-->"
TEMP_MARK = ".dirgen-"  # in every temporary file's name


def run(args, cwd):
    p = subprocess.run([KDGN20] + args, cwd=cwd, capture_output=True,
                       timeout=300)
    return p.returncode, p.stdout.decode(), p.stderr.decode()


def snapshot(top):
    """Every file under top with its content, inode and modification time."""
    files = {}
    for root, _, names in os.walk(top):
        for n in names:
            p = os.path.join(root, n)
            st = os.lstat(p)
            with open(p, "rb") as f:
                files[os.path.relpath(p, top)] = (f.read(), st.st_ino,
                                                  st.st_mtime_ns)
    return files


def temporary_files(top):
    return [os.path.join(r, n) for r, _, names in os.walk(top)
            for n in names if n.startswith(".") and TEMP_MARK in n
            and n != ".dirgen-listings"]


class Outputs(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="dirgen-out-")
        os.chmod(self.dir, 0o755)
        os.makedirs(self.at("kvdata"))
        for name, text in (("list.txt", TEMPLATE), ("v2.txt", "v2" + TEMPLATE)):
            with open(self.at("kvdata/" + name), "w") as f:
                f.write(text)
        for name in ("src/a.txt", "src/one/b.txt", "src/two/deep/c.txt"):
            self.write(name, "x")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def at(self, rel):
        return os.path.join(self.dir, rel)

    def write(self, rel, text):
        os.makedirs(os.path.dirname(self.at(rel)), exist_ok=True)
        with open(self.at(rel), "w") as f:
            f.write(text)

    def settings(self, keys, name="s.txt"):
        text = "<path>%s</path><format>list.txt</format>" % self.at("src")
        text += "".join("<%s>%s</%s>" % (k, v, k) for k, v in keys.items())
        self.write(name, text)
        return name

    def test_files_dirgen_did_not_write_are_kept_unless_allowed(self):
        self.write("src/index.html", "my home page")
        single = self.settings({"save": "index.html"})
        before = snapshot(self.dir)
        code, out, _ = run([single], self.dir)
        self.assertEqual((code, out), (
            1, "Dirgen 2.0\nCan't replace a file Dirgen did not write. "
            "%s: 1 of 1 such file (not written by Dirgen, or changed since); "
            "replace_existing 1 or --replace-existing allows it\n"
            % self.at("src/index.html")))
        self.assertEqual(snapshot(self.dir), before)

        # One file per folder: every such file is counted, none is touched.
        self.write("src/two/deep/index.html", "another page")
        per_folder = self.settings({"save": "index.html", "subfolders": 1})
        before = snapshot(self.dir)
        code, out, _ = run([per_folder], self.dir)
        self.assertEqual(code, 1)
        self.assertIn("1 of 2 such files", out)
        self.assertEqual(snapshot(self.dir), before)

        allowed = self.settings({"save": "index.html", "subfolders": 1,
                                 "replace_existing": 1})
        code, out, _ = run([allowed], self.dir)
        self.assertEqual((code, out), (0, "Dirgen 2.0\n4 listings written, 0 "
                                          "already current.\nBuild is "
                                          "successful.\n"))
        self.assertEqual(self.read("src/index.html"), "[one][two][a.txt]")
        self.assertEqual(self.read("src/two/deep/index.html"), "[c.txt]")

    def read(self, rel):
        with open(self.at(rel)) as f:
            return f.read()

    def test_a_second_run_over_an_unchanged_tree_changes_nothing(self):
        s = self.settings({"save": "index.html", "subfolders": 1})
        self.assertEqual(run([s], self.dir)[0], 0)
        shutil.copytree(self.at("src"), self.at("mirror"), symlinks=True)
        before = snapshot(self.at("src"))
        time.sleep(0.01)
        code, out, _ = run([s], self.dir)
        self.assertEqual((code, out), (0, "Dirgen 2.0\n0 listings written, 4 "
                                          "already current.\nBuild is "
                                          "successful.\n"))
        self.assertEqual(snapshot(self.at("src")), before)
        if shutil.which("rsync"):
            changes = subprocess.run(
                ["rsync", "-a", "--dry-run", "--itemize-changes",
                 self.at("src") + "/", self.at("mirror") + "/"],
                capture_output=True, check=True).stdout.decode()
            self.assertEqual(changes, "")
        # The record lists every listing with its checksum.
        subprocess.run(["sha256sum", "--quiet", "-c", ".dirgen-listings"],
                       cwd=self.at("src"), check=True)

    def test_a_link_another_user_planted_is_not_followed(self):
        if os.geteuid() != 0:
            self.skipTest("needs root to act as two users")
        os.makedirs(self.at("shared"))
        os.chmod(self.at("shared"), 0o1777)
        self.write("notes.txt", "private notes")
        subprocess.run(["setpriv", "--reuid=65534", "--regid=65534",
                        "--clear-groups", "ln", "-s", self.at("notes.txt"),
                        self.at("shared/list.html")], check=True)
        s = self.settings({"save": self.at("shared/list.html"),
                           "replace_existing": 1})
        code, out, _ = run([s], self.dir)
        self.assertEqual(code, 1)
        self.assertTrue(out.startswith(
            "Dirgen 2.0\nCan't create output file. %s: a symbolic link of "
            "another user (uid 65534)" % self.at("shared/list.html")), out)
        self.assertEqual(self.read("notes.txt"), "private notes")
        self.assertEqual(os.listdir(self.at("shared")), ["list.html"])


class Interrupted(unittest.TestCase):
    """A one-file-per-folder build of a generated tree, stopped while its
    listings are being written."""
    FOLDERS = 3000

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="dirgen-int-")
        os.makedirs(os.path.join(cls.dir, "kvdata"))
        for name, text in (("list.txt", TEMPLATE),
                           ("v2.txt", "v2" + TEMPLATE)):
            with open(os.path.join(cls.dir, "kvdata", name), "w") as f:
                f.write(text)
        src = os.path.join(cls.dir, "src")
        for i in range(cls.FOLDERS):
            d = os.path.join(src, "d%04d" % i)
            os.makedirs(d)
            for j in range(3):
                open(os.path.join(d, "f%d.txt" % j), "w").close()
        for fmt in ("list.txt", "v2.txt"):
            with open(os.path.join(cls.dir, fmt + ".s"), "w") as f:
                f.write("<path>%s</path><save>index.html</save><format>%s"
                        "</format><subfolders>1</subfolders>" % (src, fmt))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def setUp(self):
        code, _, _ = run(["list.txt.s"], self.dir)
        self.assertEqual(code, 0)
        self.src = os.path.join(self.dir, "src")
        self.before = snapshot(self.src)

    def interrupt(self, sig):
        """Starts a build that changes every listing and sends sig once it
        has begun writing them."""
        p = subprocess.Popen([KDGN20, "v2.txt.s"], cwd=self.dir,
                             stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while not any(TEMP_MARK in n and n.startswith(".index")
                      for n in os.listdir(self.src)):
            self.assertIsNone(p.poll(), "the build ended before the signal")
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.002)
        p.send_signal(sig)
        return p.wait(timeout=60)

    def test_a_signal_removes_the_temporary_files_and_changes_nothing(self):
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=sig):
                self.assertEqual(self.interrupt(sig), -sig)
                self.assertEqual(temporary_files(self.src), [])
                self.assertEqual(snapshot(self.src), self.before)

    def test_the_next_build_clears_what_a_killed_build_left(self):
        self.assertEqual(self.interrupt(signal.SIGKILL), -signal.SIGKILL)
        left = temporary_files(self.src)
        self.assertGreater(len(left), 0)
        self.assertEqual(
            {k: v for k, v in snapshot(self.src).items()
             if os.path.join(self.src, k) not in left}, self.before)
        code, out, _ = run(["v2.txt.s"], self.dir)
        self.assertEqual(code, 0, out)
        self.assertEqual(temporary_files(self.src), [])
        self.assertEqual(self.read("src/d0000/index.html"),
                         "v2[f0.txt][f1.txt][f2.txt]")
        top = self.read("src/index.html")
        self.assertNotIn(TEMP_MARK, top)
        self.assertNotIn("index", top)

    def read(self, rel):
        with open(os.path.join(self.dir, rel)) as f:
            return f.read()


class DeepTree(unittest.TestCase):
    """One listing per folder of a chain of folders deeper than the
    open-file limit most users have (1024), built under that limit. The
    deepest paths are longer than any system call takes."""
    DEPTH = 1560
    PROBE = 800  # a level whose path is past one call's limit

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="dirgen-deep-")
        os.makedirs(os.path.join(self.dir, "kvdata"))
        for name, text in (("urls.txt", URLS), ("v2.txt", "v2\n" + URLS)):
            with open(os.path.join(self.dir, "kvdata", name), "w") as f:
                f.write(text)
        self.src = os.path.join(self.dir, "src")
        os.makedirs(self.src)
        fd = os.open(self.src, os.O_RDONLY | os.O_DIRECTORY)
        for _ in range(self.DEPTH):
            os.mkdir("level", dir_fd=fd)
            below = os.open("level", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = below
            os.close(os.open("f.txt", os.O_CREAT | os.O_WRONLY, dir_fd=fd))
        os.close(fd)
        for fmt in ("urls.txt", "v2.txt"):
            with open(os.path.join(self.dir, fmt + ".s"), "w") as f:
                f.write("<path>%s</path><save>index.html</save><format>%s"
                        "</format><subfolders>1</subfolders>"
                        % (self.src, fmt))

    def tearDown(self):
        # rm walks any depth; shutil.rmtree recurses past Python's limit.
        subprocess.run(["rm", "-rf", self.dir], check=True)

    def start(self, fmt):
        return subprocess.Popen(
            [KDGN20, fmt + ".s"], cwd=self.dir, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_NOFILE,
                                                  (1024, 1024)))

    def walk(self):
        """The chain read through descriptors: the paths its listings name,
        each listing's bytes, inode and time by level, and every temporary
        file."""
        listed, listings, temporary = set(), {}, []
        fd = os.open(self.src, os.O_RDONLY | os.O_DIRECTORY)
        for level in range(self.DEPTH + 1):
            names = os.listdir(fd)
            temporary += [n for n in names if TEMP_MARK in n
                          and n != ".dirgen-listings"]
            if "index.html" in names:
                st = os.stat("index.html", dir_fd=fd)
                f = os.open("index.html", os.O_RDONLY, dir_fd=fd)
                text = os.read(f, 1 << 20)
                os.close(f)
                listings[level] = (text, st.st_ino, st.st_mtime_ns)
                listed |= {"level/" * level + url.split("/")[0]
                           for url in text.decode().splitlines()}
            if "level" not in names:
                break
            below = os.open("level", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
            os.close(fd)
            fd = below
        os.close(fd)
        return listed, listings, temporary

    def test_a_signal_deep_down_leaves_every_listing_and_no_temporary_file(self):
        p = self.start("urls.txt")
        _, err = p.communicate(timeout=300)
        self.assertEqual((p.returncode, err.decode()), (0, ""))
        before = self.walk()
        self.assertEqual(len(before[1]), self.DEPTH + 1)
        self.assertEqual(before[2], [])
        probe = os.open(self.src, os.O_RDONLY | os.O_DIRECTORY)
        for _ in range(self.PROBE):
            below = os.open("level", os.O_RDONLY | os.O_DIRECTORY,
                            dir_fd=probe)
            os.close(probe)
            probe = below
        p = self.start("v2.txt")
        deadline = time.monotonic() + 120
        while not any(TEMP_MARK in n and n.startswith(".index")
                      for n in os.listdir(probe)):
            self.assertIsNone(p.poll(), "the build ended before the signal")
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.001)
        os.close(probe)
        p.send_signal(signal.SIGTERM)
        p.communicate(timeout=60)
        self.assertEqual(p.returncode, -signal.SIGTERM)
        self.assertEqual(self.walk(), before)


if __name__ == "__main__":
    KDGN20 = os.path.abspath(sys.argv.pop(1))
    unittest.main()
