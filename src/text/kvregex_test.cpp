#include "text/kvregex.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <string>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

Pieces strings(const std::vector<std::string_view>& v) {
  return Pieces(v.begin(), v.end());
}

TEST(RegexLibrary, LoadReportsAvailability) {
  EXPECT_TRUE(load_regex_library());
  EXPECT_TRUE(load_regex_library());  // safe to call again
}

TEST(RegexMatch, GroupsWithAbsentGroupAsEmpty) {
  std::vector<std::string_view> groups;
  EXPECT_EQ(regex_match("(a)(x)?", 0, "abc", &groups), 0);
  EXPECT_EQ(strings(groups), (Pieces{"a", "a", ""}));
  EXPECT_NE(regex_match("z", 0, "abc", &groups), 0);
  EXPECT_TRUE(groups.empty());
}

TEST(RegexMatch, WithoutGroupsOnlyReportsAndBadPatternFails) {
  EXPECT_EQ(regex_match("^a.c$", 0, "abc", nullptr), 0);
  EXPECT_NE(regex_match("^a.c$", 0, "abcd", nullptr), 0);
  EXPECT_NE(regex_match("(", 0, "(", nullptr), 0);
  EXPECT_EQ(regex_match("^ABC$", REG_ICASE, "abc", nullptr), 0);
}

TEST(RegexMatch, ByteWiseEvenUnderAUtf8Locale) {
  // A file name that is not valid UTF-8 must still match ".*" masks.
  const char* old = setlocale(LC_CTYPE, nullptr);
  std::string saved = old ? old : "C";
  setlocale(LC_CTYPE, "C.UTF-8");
  std::string_view latin1 = "caf\xE9.txt";
  EXPECT_EQ(regex_match("^.*\\.txt$", REG_ICASE, latin1, nullptr), 0);
  EXPECT_EQ(regex_match("^caf.\\.txt$", 0, latin1, nullptr), 0);
  setlocale(LC_CTYPE, saved.c_str());
}

TEST(RegexMatch, SubjectMayHoldNulBytes) {
  std::string_view s("a\0b", 3);
  EXPECT_EQ(regex_match("b", 0, s, nullptr), 0);
}

TEST(Kvregex, CompiledOnceMatchesMany) {
  kvregex re;
  ASSERT_EQ(re.compile("^.*\\.(htm|html)$", REG_ICASE | REG_NOSUB), 0);
  EXPECT_TRUE(re.matches("index.HTML"));
  EXPECT_TRUE(re.matches("a.htm"));
  EXPECT_FALSE(re.matches("a.txt"));
  kvregex moved(std::move(re));
  EXPECT_FALSE(re.ok());
  EXPECT_TRUE(moved.matches("b.html"));
  kvregex bad;
  EXPECT_NE(bad.compile("a[", 0), 0);
  EXPECT_FALSE(bad.ok());
  EXPECT_NE(bad.exec("a[", 0, nullptr), 0);
}

TEST(SplitRegex, PiecesBetweenMatches) {
  EXPECT_EQ(strings(split_regex(" *; *", "*.htm ; *.html;*.txt")),
            (Pieces{"*.htm", "*.html", "*.txt"}));
  EXPECT_EQ(strings(split_regex(" *; *", "a;")), (Pieces{"a", ""}));
  EXPECT_EQ(strings(split_regex(" *; *", "abc")), (Pieces{"abc"}));
  EXPECT_EQ(strings(split_regex("x*", "abc")), (Pieces{"abc"}));  // empty match
  EXPECT_TRUE(split_regex("", "abc").empty());
  EXPECT_TRUE(split_regex("(", "abc").empty());
  // "^" matches at the start of every remaining tail.
  EXPECT_EQ(strings(split_regex("^a", "aab")), (Pieces{"", "", "b"}));
}

TEST(Split, FixedSeparatorWithLimit) {
  EXPECT_EQ(strings(split(" ", "a b c", 2)), (Pieces{"a", "b c"}));
  EXPECT_EQ(strings(split(" ", "a b c", 0)), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(strings(split(",", "a,,b", 0)), (Pieces{"a", "", "b"}));
  EXPECT_EQ(strings(split(",", "a,", 0)), (Pieces{"a", ""}));
  EXPECT_EQ(strings(split("::", "a::b::c", 3)), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(strings(split(",", "abc", 0)), (Pieces{"abc"}));
  EXPECT_TRUE(split("ab", "a", 0).empty());
  EXPECT_TRUE(split("", "abc", 0).empty());
  EXPECT_TRUE(split(",", "", 0).empty());
}

TEST(TrimSpan, StripsSpaceTabCrLf) {
  std::string_view out;
  ASSERT_TRUE(trim_span("\tx\r\n", &out));
  EXPECT_EQ(out, "x");
  ASSERT_TRUE(trim_span("  a b  ", &out));
  EXPECT_EQ(out, "a b");
  EXPECT_FALSE(trim_span("   ", &out));
  EXPECT_FALSE(trim_span("", &out));
  ASSERT_TRUE(trim_span("\vx", &out));  // VT is not a blank here
  EXPECT_EQ(out, "\vx");
}

}  // namespace
