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

// A list whose push() marks every value, as the markup readers override it.
class marking_list : public kvarr {
 public:
  void push(kvval v) override {
    ++pushes;
    kvarr::push(std::move(v));
  }
  int pushes = 0;
};

TEST(KvarrAt, OutOfRangePushesAnIntegerZeroThroughTheVirtualSlot) {
  marking_list l;
  l.push(kvval("a"));
  l.push(kvval("b"));
  kvval& added = l.at(3);
  EXPECT_EQ(added.kind(), KV_INT);
  EXPECT_EQ(added.as_int(), 0);
  EXPECT_EQ(l.size(), 3);
  l.at(kvval(-1));
  EXPECT_EQ(l.size(), 4);
  EXPECT_EQ(l.pushes, 4);
  EXPECT_EQ(l.at(kvval("1")).str(), "b");
  l.at(0) = kvval("z");
  EXPECT_EQ(contents(l), (std::vector<std::string>{"z", "b", "0", "0"}));
}

TEST(KvarrCursor, NextWalksAndStopsWithDestinationsUnchanged) {
  kvarr l;
  kvval v, i;
  EXPECT_FALSE(l.next(&v, &i));  // new list: nothing to read
  l.push(kvval("a"));
  l.push(kvval("b"));
  ASSERT_TRUE(l.next(&v, &i));
  EXPECT_EQ(v.str(), "a");
  EXPECT_EQ(i.as_int(), 0);
  ASSERT_TRUE(l.next(&v, &i));
  EXPECT_EQ(v.str(), "b");
  EXPECT_EQ(i.as_int(), 1);
  EXPECT_FALSE(l.next(&v, &i));
  EXPECT_EQ(v.str(), "b");
  EXPECT_EQ(i.as_int(), 1);
}

TEST(KvarrCursor, EveryEndOperationRewinds) {
  kvarr l;
  l.push(kvval("a"));
  l.push(kvval("b"));
  l.push(kvval("c"));
  kvval v;
  l.next(&v);
  l.next(&v);
  l.push(kvval("d"));  // restarts the walk
  ASSERT_TRUE(l.next(&v));
  EXPECT_EQ(v.str(), "a");
  l.next(&v);
  ASSERT_TRUE(l.shift(&v));
  EXPECT_EQ(l.cursor_index(), 0);
  ASSERT_TRUE(l.next(&v));
  EXPECT_EQ(v.str(), "b");
}

TEST(KvarrEnds, PushUnshiftPopShiftMoveValues) {
  kvarr l;
  kvval text("moved");
  l.push(std::move(text));
  EXPECT_EQ(text.length(), 0);  // the caller's text is taken
  l.unshift(kvval("first"));
  l.push(kvval(3));
  EXPECT_EQ(contents(l), (std::vector<std::string>{"first", "moved", "3"}));
  kvval v("unchanged");
  ASSERT_TRUE(l.pop(&v));
  EXPECT_EQ(v.as_int(), 3);
  ASSERT_TRUE(l.shift(&v));
  EXPECT_EQ(v.str(), "first");
  ASSERT_TRUE(l.shift(&v));
  EXPECT_TRUE(l.empty());
  v = kvval("kept");
  EXPECT_FALSE(l.pop(&v));
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
    l.unshift(kvval(--expected));
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
  EXPECT_EQ(c.cursor_index(), 0);
}

}  // namespace
