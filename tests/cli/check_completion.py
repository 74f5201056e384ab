#!/usr/bin/env python3
"""Runs the bash completion of kdgn20 in a real bash with bash-completion,
and checks that the bash, zsh and fish scripts offer the options --help
lists.

Usage: check_completion.py KDGN20 SOURCE-ROOT
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

KDGN20 = None
SOURCE_ROOT = None
BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"


def completions_dir():
    return os.path.join(SOURCE_ROOT, "packaging", "completions")


class Completion(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.top = tempfile.mkdtemp(prefix="dirgen-completion-")
        bin_dir = os.path.join(cls.top, "prefix", "bin")
        os.makedirs(bin_dir)
        shutil.copy2(KDGN20, os.path.join(bin_dir, "kdgn20"))
        shutil.copytree(os.path.join(SOURCE_ROOT, "kvdata"),
                        os.path.join(cls.top, "prefix", "share", "dirgen",
                                     "kvdata"))
        cls.path = bin_dir + os.pathsep + os.environ.get("PATH", "")
        cls.cwd = os.path.join(cls.top, "work")
        os.makedirs(os.path.join(cls.cwd, "src", "inner"))
        os.makedirs(os.path.join(cls.cwd, "site"))
        for name in ("srv.tar.gz", "tab.txt", "notes.md"):
            open(os.path.join(cls.cwd, name), "w").close()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.top)

    def complete(self, *lines):
        """What bash offers at the end of each command line."""
        script = ["source %s" % BASH_COMPLETION,
                  "source %s" % os.path.join(completions_dir(),
                                             "kdgn20.bash"),
                  "registered=$(complete -p kdgn20) || exit 3",
                  "fn=${registered#*-F }; fn=${fn%% *}"]
        for line in lines:
            script += [
                "COMP_LINE=%s; COMP_POINT=${#COMP_LINE}" % shell_quote(line),
                "read -ra COMP_WORDS <<<\"$COMP_LINE\"",
                # A blank at the end starts a new, empty word.
                "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')",
                "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()",
                "$fn kdgn20 \"${COMP_WORDS[COMP_CWORD]}\" "
                "\"${COMP_WORDS[COMP_CWORD-1]}\"",
                "printf '%s\\n' \"${COMPREPLY[@]}\" | sort; echo '--end--'"]
        p = subprocess.run(["bash", "--norc", "--noprofile", "-c",
                            "\n".join(script)],
                           cwd=self.cwd, capture_output=True, text=True,
                           env=dict(os.environ, PATH=self.path), timeout=60)
        self.assertEqual(p.returncode, 0, p.stderr)
        answers = p.stdout.split("--end--\n")[:-1]
        self.assertEqual(len(answers), len(lines), p.stderr)
        return [[w for w in a.split("\n") if w] for a in answers]

    def help_options(self):
        p = subprocess.run([KDGN20, "--help"], capture_output=True,
                           text=True, check=True)
        return set(re.findall(r"(?<![\w-])(--[a-z][a-z-]*|-[a-z])\b",
                              p.stdout))

    def test_bash_offers_options_values_styles_and_files(self):
        (options, sort, sort_eq, units, styles, style_prefix, files,
         after_output, patterns) = self.complete(
            "kdgn20 --s", "kdgn20 --sort ", "kdgn20 --sort=s",
            "kdgn20 -r --size-units h", "kdgn20 -s ", "kdgn20 --style ta",
            "kdgn20 -r s", "kdgn20 -o ", "kdgn20 --include ")
        self.assertEqual(options, ["--save-settings=", "--settings=",
                                   "--size-units=", "--sort=", "--style=",
                                   "--summary"])
        self.assertEqual(sort, ["date", "ext", "name", "none", "size"])
        self.assertEqual(sort_eq, ["size"])
        self.assertEqual(units, ["human", "human-binary"])
        for style in ("download", "json", "table", "csv"):
            self.assertIn(style, styles)
        self.assertIn("site", styles)  # a folder may hold a template
        # The catalogue's table, and the template file tab.txt.
        self.assertEqual(style_prefix, ["tab.txt", "table"])
        self.assertEqual(files, ["site", "src", "srv.tar.gz"])
        self.assertEqual(sorted(after_output),
                         ["notes.md", "site", "src", "srv.tar.gz", "tab.txt"])
        self.assertEqual(patterns, [])

    def test_every_option_of_the_help_is_offered_by_every_shell(self):
        offered = self.complete("kdgn20 -")[0]
        bash = {o.rstrip("=") for o in offered}
        self.assertEqual(bash, self.help_options())
        for script in ("_kdgn20", "kdgn20.fish"):
            with open(os.path.join(completions_dir(), script)) as f:
                text = f.read()
            for option in self.help_options():
                if option.startswith("--"):
                    long = option[2:]
                    self.assertRegex(text, r"(--|-l )%s\b" % re.escape(long),
                                     "%s lacks %s" % (script, option))


def shell_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


if __name__ == "__main__":
    KDGN20 = os.path.abspath(sys.argv.pop(1))
    SOURCE_ROOT = os.path.abspath(sys.argv.pop(1))
    unittest.main()
