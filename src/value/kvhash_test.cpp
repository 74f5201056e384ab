#include "value/kvhash.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> keys_in_order(kvhash* h) {
  std::vector<std::string> out;
  kvval k, v;
  h->begin_iteration();
  while (h->next(&k, &v)) out.push_back(k.str());
  return out;
}

TEST(KvhashOrder, ByteWiseAscendingKeys) {
  kvhash h;
  for (const char* k : {"b", "a", "B", "ab", "", "\xE9", "a\x7F"}) {
    h.put(kvval(k), kvval(1));
  }
  EXPECT_EQ(keys_in_order(&h), (std::vector<std::string>{
                                   "", "B", "a", "ab", "a\x7F", "b", "\xE9"}));
}

TEST(KvhashPut, KeysAreTextFormsAndReplacingKeepsCount) {
  kvhash h;
  h.put(kvval("7"), kvval("seven"));
  kvval got;
  ASSERT_TRUE(h.get(kvval(7), &got));
  EXPECT_EQ(got.str(), "seven");
  h.put(kvval(7), kvval("SEVEN"));
  EXPECT_EQ(h.size(), 1);
  h.get(kvval("7"), &got);
  EXPECT_EQ(got.str(), "SEVEN");
  got = kvval("stale");
  EXPECT_FALSE(h.get(kvval("8"), &got));
  EXPECT_EQ(got.kind(), KV_INT);
  EXPECT_EQ(got.as_int(), 0);
  ASSERT_NE(h.find("7"), nullptr);
  EXPECT_EQ(h.find("x"), nullptr);
}

TEST(KvhashIteration, NewKeyEndsItReplacingDoesNot) {
  kvhash h;
  h.put(kvval("a"), kvval(1));
  h.put(kvval("b"), kvval(2));
  h.put(kvval("c"), kvval(3));
  kvval k, v;
  h.begin_iteration();
  ASSERT_TRUE(h.next(&k, &v));
  h.put(kvval("b"), kvval(20));  // replace: iteration continues
  ASSERT_TRUE(h.next(&k, &v));
  EXPECT_EQ(k.str(), "b");
  EXPECT_EQ(v.as_int(), 20);
  h.put(kvval("d"), kvval(4));  // new key: iteration ends
  EXPECT_FALSE(h.next(&k, &v));
  EXPECT_EQ(k.kind(), KV_INT);
  EXPECT_EQ(v.as_int(), 0);
  EXPECT_EQ(keys_in_order(&h).size(), 4u);
  EXPECT_FALSE(h.next(&k, &v));  // one pass only
}

TEST(KvhashCopy, CopyHasNoIterationAndOwnEntries) {
  kvhash a;
  a.put(kvval("x"), kvval(1));
  a.begin_iteration();
  kvhash b(a);
  kvval k, v;
  EXPECT_FALSE(b.next(&k, &v));
  b.put(kvval("y"), kvval(2));
  EXPECT_EQ(a.size(), 1);
  ASSERT_TRUE(a.next(&k, &v));
  EXPECT_EQ(k.str(), "x");
}

TEST(KvhashArray, AddPutFirstAndLists) {
  kvhash_array t;
  t.add(kvval("name"), kvval("a"));
  t.add(kvval("name"), kvval("b"));
  kvarr* l = t.list("name");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->size(), 2);
  t.put(kvval("name"), kvval("only"));
  EXPECT_EQ(l->size(), 1);
  kvval first;
  ASSERT_TRUE(t.first(kvval("name"), &first));
  EXPECT_EQ(first.str(), "only");
  EXPECT_FALSE(t.first(kvval("missing"), &first));
  EXPECT_TRUE(first.is_text());
  EXPECT_EQ(first.length(), 0);
  t.insert_list(kvval("empty"), std::make_unique<kvarr>());
  first = kvval(5);
  EXPECT_FALSE(t.first(kvval("empty"), &first));
  EXPECT_EQ(first.str(), "");
  EXPECT_EQ(t.list("nope"), nullptr);
}

TEST(KvhashArray, InsertListReplacesAndIterationRules) {
  kvhash_array t;
  t.add(kvval("b"), kvval(1));
  t.add(kvval("a"), kvval(1));
  kvval k;
  kvarr* l;
  t.begin_iteration();
  ASSERT_TRUE(t.next(&k, &l));
  EXPECT_EQ(k.str(), "a");
  auto fresh = std::make_unique<kvarr>();
  fresh->push(kvval("x"));
  fresh->push(kvval("y"));
  t.insert_list(kvval("b"), std::move(fresh));  // replacement continues
  ASSERT_TRUE(t.next(&k, &l));
  EXPECT_EQ(l->size(), 2);
  EXPECT_FALSE(t.next(&k, &l));
  EXPECT_EQ(l, nullptr);
  EXPECT_EQ(k.kind(), KV_INT);
  t.begin_iteration();
  t.add(kvval("c"), kvval(1));  // new key ends the iteration
  EXPECT_FALSE(t.next(&k, &l));
  t.insert_list(kvval("d"), nullptr);  // the table never holds a null list
  ASSERT_NE(t.list("d"), nullptr);
  EXPECT_TRUE(t.list("d")->empty());
  EXPECT_EQ(t.size(), 4);
  kvcgi cgi;
  cgi.table.add(kvval("k"), kvval("v"));
  EXPECT_EQ(cgi.table.size(), 1);
}

}  // namespace
