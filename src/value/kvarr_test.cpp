#include "value/kvarr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> contents(const kvarr& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.size(); ++i) out.push_back(a[i].str());
  return out;
}

TEST(KvarrEnds, PushAndShiftMoveValues) {
  kvarr l;
  kvval text("moved");
  l.push(std::move(text));
  EXPECT_EQ(text.length(), 0);  // the caller's text is taken
  l.push(kvval(3));
  EXPECT_EQ(contents(l), (std::vector<std::string>{"moved", "3"}));
  kvval v("unchanged");
  ASSERT_TRUE(l.shift(&v));
  EXPECT_EQ(v.str(), "moved");
  ASSERT_TRUE(l.shift(nullptr));
  EXPECT_TRUE(l.empty());
  v = kvval("kept");
  EXPECT_FALSE(l.shift(&v));
  EXPECT_EQ(v.str(), "kept");
}

TEST(KvarrEnds, LongQueueKeepsOrderAcrossCompaction) {
  kvarr l;
  int expected = 0;
  for (int round = 0; round < 50; ++round) {
    for (int k = 0; k < 10; ++k) l.push(kvval(round * 10 + k));
    for (int k = 0; k < 7; ++k) {
      kvval v;
      ASSERT_TRUE(l.shift(&v));
      ASSERT_EQ(v.as_int(), expected++);
    }
  }
  EXPECT_EQ(l.size(), 50 * 10 - expected);
  EXPECT_EQ(l[0].as_int(), expected);
  EXPECT_EQ(l[l.size() - 1].as_int(), 499);
}

TEST(KvarrCopy, CopiesAreIndependent) {
  kvarr a;
  a.push(kvval("x"));
  a.push(kvval("y"));
  kvval v;
  a.shift(&v);
  kvarr b(a);
  b.push(kvval("z"));
  EXPECT_EQ(contents(a), (std::vector<std::string>{"y"}));
  EXPECT_EQ(contents(b), (std::vector<std::string>{"y", "z"}));
  kvarr c(std::move(b));
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c.size(), 2);
  c.clear();
  EXPECT_TRUE(c.empty());
}

}  // namespace
