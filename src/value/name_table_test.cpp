#include "value/name_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> keys_in_order(name_table* h) {
  std::vector<std::string> out;
  variant k, v;
  h->begin_iteration();
  while (h->next(&k, &v)) out.push_back(k.str());
  return out;
}

TEST(NameTableOrder, ByteWiseAscendingKeys) {
  name_table h;
  for (const char* k : {"b", "a", "B", "ab", "", "\xE9", "a\x7F"}) {
    h.put(variant(k), variant(1));
  }
  EXPECT_EQ(keys_in_order(&h), (std::vector<std::string>{
                                   "", "B", "a", "ab", "a\x7F", "b", "\xE9"}));
}

TEST(NameTablePut, KeysAreTextFormsAndReplacingKeepsCount) {
  name_table h;
  h.put(variant("7"), variant("seven"));
  variant got;
  ASSERT_TRUE(h.get(variant(7), &got));
  EXPECT_EQ(got.str(), "seven");
  h.put(variant(7), variant("SEVEN"));
  EXPECT_EQ(h.size(), 1);
  h.get(variant("7"), &got);
  EXPECT_EQ(got.str(), "SEVEN");
  got = variant("stale");
  EXPECT_FALSE(h.get(variant("8"), &got));
  EXPECT_EQ(got.kind(), VARIANT_INT);
  EXPECT_EQ(got.as_int(), 0);
  ASSERT_NE(h.find("7"), nullptr);
  EXPECT_EQ(h.find("x"), nullptr);
}

TEST(NameTableIteration, NewKeyEndsItReplacingDoesNot) {
  name_table h;
  h.put(variant("a"), variant(1));
  h.put(variant("b"), variant(2));
  h.put(variant("c"), variant(3));
  variant k, v;
  h.begin_iteration();
  ASSERT_TRUE(h.next(&k, &v));
  h.put(variant("b"), variant(20));  // replace: iteration continues
  ASSERT_TRUE(h.next(&k, &v));
  EXPECT_EQ(k.str(), "b");
  EXPECT_EQ(v.as_int(), 20);
  h.put(variant("d"), variant(4));  // new key: iteration ends
  EXPECT_FALSE(h.next(&k, &v));
  EXPECT_EQ(k.kind(), VARIANT_INT);
  EXPECT_EQ(v.as_int(), 0);
  EXPECT_EQ(keys_in_order(&h).size(), 4u);
  EXPECT_FALSE(h.next(&k, &v));  // one pass only
}

TEST(NameTableCopy, CopyHasNoIterationAndOwnEntries) {
  name_table a;
  a.put(variant("x"), variant(1));
  a.begin_iteration();
  name_table b(a);
  variant k, v;
  EXPECT_FALSE(b.next(&k, &v));
  b.put(variant("y"), variant(2));
  EXPECT_EQ(a.size(), 1);
  ASSERT_TRUE(a.next(&k, &v));
  EXPECT_EQ(k.str(), "x");
}

TEST(ListTable, AddPutFirstAndLists) {
  list_table t;
  t.add(variant("name"), variant("a"));
  t.add(variant("name"), variant("b"));
  value_list* l = t.list("name");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->size(), 2);
  t.put(variant("name"), variant("only"));
  EXPECT_EQ(l->size(), 1);
  variant first;
  ASSERT_TRUE(t.first(variant("name"), &first));
  EXPECT_EQ(first.str(), "only");
  EXPECT_FALSE(t.first(variant("missing"), &first));
  EXPECT_TRUE(first.is_text());
  EXPECT_EQ(first.length(), 0);
  t.insert_list(variant("empty"), std::make_unique<value_list>());
  first = variant(5);
  EXPECT_FALSE(t.first(variant("empty"), &first));
  EXPECT_EQ(first.str(), "");
  EXPECT_EQ(t.list("nope"), nullptr);
}

TEST(ListTable, InsertListReplacesAndIterationRules) {
  list_table t;
  t.add(variant("b"), variant(1));
  t.add(variant("a"), variant(1));
  variant k;
  value_list* l;
  t.begin_iteration();
  ASSERT_TRUE(t.next(&k, &l));
  EXPECT_EQ(k.str(), "a");
  auto fresh = std::make_unique<value_list>();
  fresh->push(variant("x"));
  fresh->push(variant("y"));
  t.insert_list(variant("b"), std::move(fresh));  // replacement continues
  ASSERT_TRUE(t.next(&k, &l));
  EXPECT_EQ(l->size(), 2);
  EXPECT_FALSE(t.next(&k, &l));
  EXPECT_EQ(l, nullptr);
  EXPECT_EQ(k.kind(), VARIANT_INT);
  t.begin_iteration();
  t.add(variant("c"), variant(1));  // new key ends the iteration
  EXPECT_FALSE(t.next(&k, &l));
  t.insert_list(variant("d"), nullptr);  // the table never holds a null list
  ASSERT_NE(t.list("d"), nullptr);
  EXPECT_TRUE(t.list("d")->empty());
  EXPECT_EQ(t.size(), 4);
  loaded_table cgi;
  cgi.table.add(variant("k"), variant("v"));
  EXPECT_EQ(cgi.table.size(), 1);
}

}  // namespace
