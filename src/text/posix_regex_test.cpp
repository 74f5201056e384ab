#include "text/posix_regex.h"

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

// Compiles pattern (which must compile) and matches subject.
bool matches(std::string_view pattern, int flags, std::string_view subject) {
  posix_regex re;
  std::string err;
  if (!re.compile(pattern, flags, &err)) {
    ADD_FAILURE() << err;
    return false;
  }
  return re.matches(subject);
}

TEST(PosixRegex, GroupOffsetsWithAbsentGroup) {
  posix_regex re;
  std::string err;
  ASSERT_TRUE(re.compile("(a)(x)?", 0, &err));
  regmatch_t m[3];
  ASSERT_TRUE(re.exec("abc", 3, m));
  EXPECT_EQ(m[1].rm_so, 0);
  EXPECT_EQ(m[1].rm_eo, 1);
  EXPECT_EQ(m[2].rm_so, -1);  // took no part
  EXPECT_FALSE(re.exec("zzz", 3, m));
}

TEST(PosixRegex, AnchorsCaseAndBadPatterns) {
  EXPECT_TRUE(matches("^a.c$", 0, "abc"));
  EXPECT_FALSE(matches("^a.c$", 0, "abcd"));
  EXPECT_TRUE(matches("^ABC$", REG_ICASE, "abc"));
  posix_regex bad;
  std::string err;
  EXPECT_FALSE(bad.compile("a[", 0, &err));
  EXPECT_EQ(err.rfind("bad pattern \"a[\": ", 0), 0u) << err;
}

TEST(PosixRegex, ByteWiseEvenUnderAUtf8Locale) {
  // A file name that is not valid UTF-8 must still match ".*" masks.
  const char* old = setlocale(LC_CTYPE, nullptr);
  std::string saved = old ? old : "C";
  setlocale(LC_CTYPE, "C.UTF-8");
  std::string_view latin1 = "caf\xE9.txt";
  EXPECT_TRUE(matches("^.*\\.txt$", REG_ICASE, latin1));
  EXPECT_TRUE(matches("^caf.\\.txt$", 0, latin1));
  setlocale(LC_CTYPE, saved.c_str());
}

TEST(PosixRegex, SubjectMayHoldNulBytes) {
  EXPECT_TRUE(matches("b", 0, std::string_view("a\0b", 3)));
}

TEST(PosixRegex, CompiledOnceMatchesMany) {
  posix_regex re;
  std::string err;
  ASSERT_TRUE(re.compile("^.*\\.(htm|html)$", REG_ICASE | REG_NOSUB, &err));
  EXPECT_TRUE(re.matches("index.HTML"));
  EXPECT_TRUE(re.matches("a.htm"));
  EXPECT_FALSE(re.matches("a.txt"));
  posix_regex moved(std::move(re));
  EXPECT_TRUE(moved.matches("b.html"));
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
