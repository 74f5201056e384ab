#include "text/byte_string.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

byte_string K(std::string_view s) { return byte_string(s); }

TEST(ByteStringGrowth, ContentSurvivesEveryWayOfGrowing) {
  byte_string s;
  EXPECT_EQ(s.data(), nullptr);
  EXPECT_STREQ(s.c_str(), "");  // even before anything was stored
  EXPECT_EQ(s.length(), 0);
  for (int i = 0; i < 22; ++i) s.append_byte('x');
  EXPECT_EQ(s.str(), std::string(22, 'x'));
  s.set_length(5);
  EXPECT_EQ(s.str(), "xxxxx");
  byte_string r;
  r.reset(32);
  EXPECT_EQ(r.length(), 32);
  r.reset(0);
  EXPECT_EQ(r.length(), 0);
  EXPECT_EQ(r.data(), nullptr);
}

TEST(ByteStringTerminator, CStrIsTerminatedAfterEveryChange) {
  byte_string s;
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_EQ(s.data(), nullptr);  // reading allocates nothing
  s.append_byte('a');
  EXPECT_STREQ(s.c_str(), "a");
  s.assign_cstr("abcdef");
  s.set_length(3);
  EXPECT_STREQ(s.c_str(), "abc");
  s.set_length(s.capacity());  // full: the terminator lies past capacity
  EXPECT_EQ(s.c_str()[s.length()], '\0');
  s.reset(2);
  s.data()[0] = 'h';
  s.data()[1] = 'i';
  EXPECT_STREQ(s.c_str(), "hi");
  byte_string copy(s);
  copy.set_length(1);  // unshares, keeping one byte
  EXPECT_STREQ(copy.c_str(), "h");
  EXPECT_STREQ(s.c_str(), "hi");
}

TEST(ByteStringGrowth, SetLengthToSameOrNegativeChangesNothing) {
  byte_string s = K("abc");
  int32_t cap = s.capacity();
  const char* buf = s.data();
  s.set_length(3);
  s.set_length(-1);
  EXPECT_EQ(s.capacity(), cap);
  EXPECT_EQ(s.data(), buf);
  EXPECT_EQ(s.str(), "abc");
}

TEST(ByteStringCopy, CopyTakeAndAssignKeepBytesIncludingNul) {
  byte_string a(std::string_view("a\0b", 3));
  byte_string b(a);
  EXPECT_EQ(b.view(), std::string_view("a\0b", 3));
  byte_string c;
  c.take(b);
  EXPECT_EQ(b.length(), 0);
  EXPECT_EQ(b.capacity(), 0);
  EXPECT_EQ(b.data(), nullptr);
  EXPECT_EQ(c.view(), a.view());
  c.assign_cstr(nullptr);
  EXPECT_TRUE(c.empty());
  EXPECT_EQ(c.data(), nullptr);
}

TEST(ByteStringCopy, AppendingItselfDoublesTheContent) {
  byte_string s = K("abc");
  s.append(s);
  EXPECT_EQ(s.str(), "abcabc");
  s.append_bytes(s.data() + 1, 2);
  EXPECT_EQ(s.str(), "abcabcbc");
  s.append_cstr("");
  s.append_bytes(nullptr, 4);
  EXPECT_EQ(s.str(), "abcabcbc");
}

TEST(ByteStringCopy, CopiesShareUntilEitherSideChanges) {
  byte_string a = K("shared text");
  byte_string b(a);
  EXPECT_EQ(static_cast<const byte_string&>(b).data(),
            static_cast<const byte_string&>(a).data());  // no copy yet
  b.append_byte('!');
  EXPECT_EQ(a.str(), "shared text");
  EXPECT_EQ(b.str(), "shared text!");
  byte_string c(a);
  c.data()[0] = 'S';  // writable access unshares too
  EXPECT_EQ(a.str(), "shared text");
  EXPECT_EQ(c.str(), "Shared text");
  byte_string d(a);
  d.set_length(6);
  EXPECT_EQ(a.str(), "shared text");
  EXPECT_EQ(d.str(), "shared");
  byte_string e(a);
  a.reset(0);  // the last holder frees the block
  EXPECT_EQ(e.str(), "shared text");
  EXPECT_STREQ(e.c_str(), "shared text");
}

TEST(ByteStringSearch, FindRfindAndFindByte) {
  EXPECT_EQ(K("aaaa").find(K("aa"), 0), 0);
  EXPECT_EQ(K("abab").find(K("ab"), 1), 2);
  EXPECT_EQ(K("abc").find(K("a"), 3), -1);   // start == length
  EXPECT_EQ(K("abc").find(K("a"), -1), -1);  // negative start
  EXPECT_EQ(K("ab").find(K("abc"), 0), -1);  // pattern longer
  EXPECT_EQ(K("abc").find(K(""), 0), -1);    // empty pattern
  EXPECT_EQ(K("abca").find_byte('a', 1), 3);
  EXPECT_EQ(K("abc").find_byte('a', 3), -1);
  EXPECT_EQ(byte_string().find_byte('a', 0), -1);
}

TEST(ByteStringCompare, ByteWiseUnsignedWithShorterPrefixFirst) {
  EXPECT_EQ(byte_string::compare(K(""), K("abc")), -3);
  EXPECT_EQ(byte_string::compare(K("abc"), K("abd")), -1);
  EXPECT_EQ(byte_string::compare(K("ab"), K("abc")), -1);
  EXPECT_EQ(byte_string::compare(K("abc"), K("abc")), 0);
  EXPECT_GT(byte_string::compare(K("\xE9"), K("A")), 0);
  EXPECT_LT(byte_string::compare(K("B"), K("a")), 0);
}

struct ReplaceCase {
  const char* text;
  const char* pattern;
  const char* with;
  const char* want;
};

TEST(ByteStringReplace, NonOverlappingLeftToRight) {
  const ReplaceCase cases[] = {
      {"aaaa", "aa", "b", "bb"},
      {"aaa", "aa", "b", "ba"},
      {"abcabc", "bc", "XYZ", "aXYZaXYZ"},
      {"abc", "x", "yy", "abc"},
      {"abab", "ab", "", ""},
      {"abc", "", "z", "abc"},
      {"a.b.c", "..", "-", "a.b.c"},
      {"", "\r\n", "\n", ""},
      {"", "aa", "bb", ""},
  };
  for (const ReplaceCase& c : cases) {
    byte_string s = K(c.text);
    if (std::strlen(c.with) == 1) {
      s.replace_with_byte(K(c.pattern), c.with[0]);
    } else {
      s.replace(K(c.pattern), K(c.with));
    }
    EXPECT_EQ(s.str(), c.want) << c.text << " / " << c.pattern;
  }
}

TEST(ByteStringReplace, ReplacementMayBeTheStringItself) {
  byte_string s = K("a-b");
  s.replace_byte_with('-', s);
  EXPECT_EQ(s.str(), "aa-bb");
  byte_string t = K("xy");
  t.replace(t, t);
  EXPECT_EQ(t.str(), "xy");
  t.replace_with_byte(t, '!');
  EXPECT_EQ(t.str(), "!");
}

TEST(ByteStringReplace, ByteReplacementsAndUntouchedBuffer) {
  byte_string s = K("a-b-c");
  s.replace_byte('-', '+');
  EXPECT_EQ(s.str(), "a+b+c");
  s.replace_byte_with('+', K("::"));
  EXPECT_EQ(s.str(), "a::b::c");
  s.replace_byte_with(':', byte_string());
  EXPECT_EQ(s.str(), "abc");
  const char* buf = s.data();
  s.replace_byte_with('z', K("yy"));
  EXPECT_EQ(s.data(), buf);  // no occurrence: same buffer
  byte_string shared(s);
  shared.replace_byte('z', 'y');  // no occurrence: still shared
  EXPECT_EQ(static_cast<const byte_string&>(shared).data(), buf);
  byte_string all = K("xxx");
  all.replace_byte_with('x', byte_string());
  EXPECT_TRUE(all.empty());
}

// Copies of one string read in several threads while other copies change:
// the ThreadSanitizer build reports any write to the shared buffer.
TEST(ByteStringThreads, CopiesOfOneStringAreUsedFromManyThreads) {
  const byte_string original = K("shared between threads");
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&original, &wrong, t] {
      for (int i = 0; i < 2000; ++i) {
        byte_string mine(original);
        if (std::strcmp(mine.c_str(), "shared between threads") != 0 ||
            std::strcmp(original.c_str(), "shared between threads") != 0) {
          ++wrong;
        }
        if (t % 2 == 0) {
          mine.append_byte('!');
          mine.replace_byte('s', 'S');
          if (mine.view() != "Shared between threadS!") ++wrong;
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_STREQ(original.c_str(), "shared between threads");
}

}  // namespace
