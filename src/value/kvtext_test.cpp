#include "value/kvtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/kvregex.h"

namespace {

std::vector<std::string> contents(const kvarr& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.size(); ++i) out.push_back(a[i].str());
  return out;
}

TEST(KvtextEncode, UrlEncodeReadsTextForms) {
  kvval dst(5);
  url_encode(kvval("a b/c~"), &dst);
  EXPECT_TRUE(dst.is_text());
  EXPECT_EQ(dst.str(), "a%20b%2Fc%7E");
  url_encode(kvval(-1.5), &dst);
  EXPECT_EQ(dst.str(), "-1.5");
  kvval self("x y");
  url_encode(self, &self);
  EXPECT_EQ(self.str(), "x%20y");
  kvval num(42);
  url_encode(kvval(""), &num);  // empty source: only converted to text
  EXPECT_TRUE(num.is_text());
  EXPECT_EQ(num.str(), "42");
}

TEST(KvtextEncode, HtmlEscapeConvertsAndKeepsBuffer) {
  kvval v(7);
  html_escape(&v);
  EXPECT_TRUE(v.is_text());
  EXPECT_EQ(v.str(), "7");
  kvval t("a<b\xE9");
  html_escape(&t);
  EXPECT_EQ(t.str(), "a&lt;b&#233;");
  kvval same("plain");
  const char* before = same.mutable_text().data();
  html_escape(&same);
  EXPECT_EQ(same.mutable_text().data(), before);
}

TEST(KvtextExpand, EntitiesFromATable) {
  kvhash table;
  table.put(kvval("amp"), kvval("&"));
  table.put(kvval("n"), kvval(12));
  kvval v("a&amp;lt;b &n; &AMP; &nosuch;");
  expand_entities(&v, table, true);
  EXPECT_EQ(v.str(), "a&lt;b 12 & &nosuch;");
  kvval w("&AMP;");
  expand_entities(&w, table, false);
  EXPECT_EQ(w.str(), "&AMP;");
  kvval c("&#65;&#x42;");
  expand_char_refs(&c);
  EXPECT_EQ(c.str(), "AB");
}

TEST(KvtextRegex, SplitFillsTheList) {
  kvarr list;
  list.push(kvval("old"));
  split_regex(kvval(" *; *"), kvval("*.htm ; *.html;*.txt"), &list);
  EXPECT_EQ(contents(list),
            (std::vector<std::string>{"*.htm", "*.html", "*.txt"}));
  split_regex(kvval("("), kvval("abc"), &list);
  EXPECT_TRUE(list.empty());
}

TEST(KvtextTrim, BlanksOnlyStaysAsItIs) {
  kvval a("\tx\r\n");
  trim(&a);
  EXPECT_EQ(a.str(), "x");
  kvval b("  a b  ");
  trim(&b);
  EXPECT_EQ(b.str(), "a b");
  kvval c("   ");
  trim(&c);
  EXPECT_EQ(c.str(), "   ");
  kvval d(5);
  trim(&d);
  EXPECT_EQ(d.str(), "5");
}

}  // namespace
