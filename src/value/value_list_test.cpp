#include "value/value_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> contents(const value_list& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.size(); ++i) out.push_back(a[i].str());
  return out;
}

TEST(ValueListEnds, PushAndShiftMoveValues) {
  value_list l;
  variant text("moved");
  l.push(std::move(text));
  EXPECT_EQ(text.length(), 0);  // the caller's text is taken
  l.push(variant(3));
  EXPECT_EQ(contents(l), (std::vector<std::string>{"moved", "3"}));
  variant v("unchanged");
  ASSERT_TRUE(l.shift(&v));
  EXPECT_EQ(v.str(), "moved");
  ASSERT_TRUE(l.shift(nullptr));
  EXPECT_TRUE(l.empty());
  v = variant("kept");
  EXPECT_FALSE(l.shift(&v));
  EXPECT_EQ(v.str(), "kept");
}

TEST(ValueListEnds, LongQueueKeepsOrderAcrossCompaction) {
  value_list l;
  int expected = 0;
  for (int round = 0; round < 50; ++round) {
    for (int k = 0; k < 10; ++k) l.push(variant(round * 10 + k));
    for (int k = 0; k < 7; ++k) {
      variant v;
      ASSERT_TRUE(l.shift(&v));
      ASSERT_EQ(v.as_int(), expected++);
    }
  }
  EXPECT_EQ(l.size(), 50 * 10 - expected);
  EXPECT_EQ(l[0].as_int(), expected);
  EXPECT_EQ(l[l.size() - 1].as_int(), 499);
}

TEST(ValueListCopy, CopiesAreIndependent) {
  value_list a;
  a.push(variant("x"));
  a.push(variant("y"));
  variant v;
  a.shift(&v);
  value_list b(a);
  b.push(variant("z"));
  EXPECT_EQ(contents(a), (std::vector<std::string>{"y"}));
  EXPECT_EQ(contents(b), (std::vector<std::string>{"y", "z"}));
  value_list c(std::move(b));
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c.size(), 2);
  c.clear();
  EXPECT_TRUE(c.empty());
}

}  // namespace
