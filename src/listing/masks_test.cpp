#include "listing/masks.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> patterns_of(const char* mask) {
  value_list list;
  list.push(variant("stale"));
  compile_masks(variant(mask), &list);
  std::vector<std::string> out;
  for (int32_t i = 0; i < list.size(); ++i) out.push_back(list[i].str());
  return out;
}

bool mask_matches(const char* mask, const char* name) {
  value_list list;
  compile_masks(variant(mask), &list);
  return compiled_masks(list).matches(variant(std::string_view(name)));
}

TEST(CompileMasks, RewritesEachWildcardIntoAnAnchoredPattern) {
  struct Case {
    const char* mask;
    std::vector<std::string> want;
  } cases[] = {
      {"*.htm; *.html", {"^.*\\.htm$", "^.*\\.html$"}},
      {" *.txt ; ", {"^.*\\.txt$"}},
      {"a?c", {"^a.?c$"}},
      {"[ab]*.txt", {"^[ab].*\\.txt$"}},
      {"*.c;;  ;*.h", {"^.*\\.c$", "^.*\\.h$"}},
      {"", {}},
      {";", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(patterns_of(c.mask), c.want) << "mask [" << c.mask << "]";
  }
}

TEST(CompiledMasks, MatchesWholeNamesIgnoringCase) {
  struct Case {
    const char* mask;
    const char* name;
    bool want;
  } cases[] = {
      {"*.TXT", "notes.txt", true},
      {"*.TXT", "NOTES.Txt", true},
      {"*.TXT", "read.me", false},
      {"*.txt", "a.txt.bak", false},  // anchored at the end
      {"*.txt", "atxt", false},       // "." is literal
      {"*.txt;*.doc", "a.doc", true},
      {"*.txt;*.doc", "a.txt", true},
      {"a?c", "ac", true},
      {"a?c", "abc", true},
      {"a?c", "abbc", false},
      {"file[12].txt", "file1.txt", true},
      {"file[12].txt", "file2.txt", true},
      {"file[12].txt", "file3.txt", false},
      {"file[12].txt", "file12.txt", false},
      {"[ab]*.txt", "Bz.txt", true},
      {"[ab]*.txt", "cz.txt", false},
      {"*", "", true},
      {"*", ".profile", true},
      {"*.txt", "\xff\xfe.txt", true},  // bytes, not characters
      {"a{", "a{", false},              // does not compile: matches nothing
      {"a{;*.c", "x.c", true},          // the other patterns still work
      {"", "x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mask_matches(c.mask, c.name), c.want)
        << "mask [" << c.mask << "] name [" << c.name << "]";
  }
}

TEST(CompiledMasks, PatternsThatWouldGrowExponentiallyMatchNothing) {
  // Each stacked or nested repetition doubles the compiled pattern; these
  // once took the regex compiler minutes and gigabytes.
  const std::string stacked = "nn*" + std::string(60, '+');
  EXPECT_FALSE(mask_matches(stacked.c_str(), "nn"));
  EXPECT_FALSE(
      mask_matches("((((((((((((((((((((((((a+)+)+)+)+)+)+)+)+)+)+)+)+)"
                   "+)+)+)+)+)+)+)+)+)+)+)+)+",
                   "a"));
  EXPECT_FALSE(mask_matches("a{9}{9}{9}{9}{9}{9}{9}{9}", "a"));
  // Repeating what can match the empty string explodes the compiler's
  // closures: "*+++++" alone took ten seconds.
  EXPECT_FALSE(mask_matches("*+++++++++++++~aA?c", "x~aAc"));
  EXPECT_FALSE(mask_matches("*+", "x"));
  EXPECT_FALSE(mask_matches("((*)+){30}", "x"));
  EXPECT_FALSE(mask_matches("(a|){9}", "a"));
  // "{,}" repeats from zero, as "*" does.
  EXPECT_FALSE(mask_matches("\x01++++++++++{,}+++++.*", "\x01"));
  EXPECT_FALSE(mask_matches("a{,3}{,3}+", "a"));
  // Back-references make every match try every split of the name.
  const std::string name(255, 'a');
  EXPECT_FALSE(mask_matches("(*)(*)\\1\\2", name.c_str()));
  EXPECT_TRUE(mask_matches("\\(x\\);*\\1*", "(x)"));
  EXPECT_TRUE(mask_matches("a{9}{9}{9}{9}{9}{9}{9}{9};*.c", "x.c"));
  // Ordinary repetitions still work.
  EXPECT_TRUE(mask_matches("(ab)+.txt", "ababab.txt"));
  EXPECT_TRUE(mask_matches("x{2,3}*", "xxx.log"));
  EXPECT_TRUE(mask_matches("[[:digit:]]+[]x]*", "12]"));
  EXPECT_TRUE(mask_matches("(a|b)+*", "abba.txt"));
  EXPECT_TRUE(mask_matches("(a+)+b", "aab"));
}

TEST(CompiledMasks, MatchesBytesUnderAUtf8Locale) {
  std::string saved = setlocale(LC_ALL, nullptr);
  if (!setlocale(LC_ALL, "C.UTF-8")) GTEST_SKIP() << "no C.UTF-8 locale";
  EXPECT_TRUE(mask_matches("*.txt", "caf\xe9.txt"));  // Latin-1 byte
  EXPECT_TRUE(mask_matches("?.txt", "\xff.txt"));
  // "*" is not run per name: the regular expression it stands for matches
  // every name, odd bytes and line breaks included.
  const std::string odd_names[] = {"", "a\nb", "\xff\xfe", ".x", "a b"};
  posix_regex star;
  std::string err;
  ASSERT_TRUE(star.compile("^.*$", REG_ICASE | REG_NOSUB, &err)) << err;
  for (const std::string& name : odd_names) {
    EXPECT_TRUE(star.matches(name)) << name;
    EXPECT_TRUE(mask_matches("*", name.c_str())) << name;
  }
  setlocale(LC_ALL, saved.c_str());
}

// Names, extensions and texts with "*" around them skip the regex library;
// every name must match them exactly as the library would.
TEST(CompiledMasks, PlainTextMasksMatchAsTheRegexLibraryDoes) {
  const char* masks[] = {"index.html", "*.TXT",  "READ*",  "*old*", "**",
                         "a.b.c",      "*.",     ".*",     "",      "x*y",
                         "a\\*",     "\\*.c", "(a).c*", "\xe9*", "*$"};
  const std::string names[] = {"",
                               "index.html",
                               "INDEX.HTML",
                               "index.htm",
                               "xindex.html",
                               "notes.txt",
                               "notes.txt.bak",
                               "README",
                               "rea",
                               "old",
                               "bOLd.c",
                               "a.b.c",
                               "aXbXc",
                               "x.",
                               ".x",
                               "xay",
                               "a\\b",
                               "\\z.c",
                               "(a).c",
                               "\xc9t",
                               "\xe9t",
                               "caf\xe9.TXT",
                               "a$",
                               std::string("a\0.txt", 6),
                               std::string("old\0", 4),
                               std::string("\0", 1)};
  for (const char* mask : masks) {
    value_list patterns;
    compile_masks(variant(mask), &patterns);
    const compiled_masks compiled(patterns);
    std::vector<posix_regex> reference(static_cast<size_t>(patterns.size()));
    for (int32_t i = 0; i < patterns.size(); ++i) {
      std::string err;
      ASSERT_TRUE(reference[static_cast<size_t>(i)].compile(
          patterns[i].view(), REG_ICASE | REG_NOSUB, &err))
          << err;
    }
    for (const std::string& name : names) {
      bool want = false;
      for (const posix_regex& re : reference) want = want || re.matches(name);
      EXPECT_EQ(compiled.matches(name), want) << "[" << mask << "] " << name;
    }
  }
}

TEST(CompiledMasks, EmptyListMatchesNothingAndMovesKeepPatterns) {
  compiled_masks none;
  EXPECT_FALSE(none.matches(variant("a")));
  value_list list;
  compile_masks(variant("*.a; {bad"), &list);
  compiled_masks first(list);
  EXPECT_EQ(first.size(), 1);
  compiled_masks moved(std::move(first));
  EXPECT_TRUE(moved.matches(variant("x.A")));
}

TEST(CheckMask, RefusesTheFirstWildcardThatCannotBeUsedAndSaysWhy) {
  std::string err;
  EXPECT_TRUE(check_mask("mask", variant("*.htm; *.html ; [ab]?.txt"), &err));
  EXPECT_TRUE(check_mask("skip_files", variant(""), &err));
  EXPECT_FALSE(check_mask("mask", variant("*.txt; *.(txt; {bad"), &err));
  EXPECT_EQ(err.rfind("Invalid pattern \"*.(txt\" in mask: ", 0), 0u) << err;
  EXPECT_GT(err.size(),
            std::string("Invalid pattern \"*.(txt\" in mask: .").size())
      << err;
  EXPECT_EQ(err.back(), '.');
  EXPECT_FALSE(
      check_mask("folder_skip", variant("a++++++++++++++++++++"), &err));
  EXPECT_EQ(err,
            "Invalid pattern \"a++++++++++++++++++++\" in folder_skip: "
            "its repetitions would take too long to match.");
}

}  // namespace
