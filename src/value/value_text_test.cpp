#include "value/value_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/posix_regex.h"

namespace {

std::vector<std::string> contents(const value_list& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.size(); ++i) out.push_back(a[i].str());
  return out;
}

TEST(ValueTextEncode, UrlEncodeReadsTextForms) {
  variant dst(5);
  url_encode(variant("a b/c~"), &dst);
  EXPECT_TRUE(dst.is_text());
  EXPECT_EQ(dst.str(), "a%20b%2Fc%7E");
  url_encode(variant(-1.5), &dst);
  EXPECT_EQ(dst.str(), "-1.5");
  variant self("x y");
  url_encode(self, &self);
  EXPECT_EQ(self.str(), "x%20y");
  variant num(42);
  url_encode(variant(""), &num);  // empty source: only converted to text
  EXPECT_TRUE(num.is_text());
  EXPECT_EQ(num.str(), "42");
}

TEST(ValueTextEncode, HtmlEscapeConvertsAndKeepsBuffer) {
  variant v(7);
  html_escape(&v);
  EXPECT_TRUE(v.is_text());
  EXPECT_EQ(v.str(), "7");
  variant t("a<b\xE9");
  html_escape(&t);
  EXPECT_EQ(t.str(), "a&lt;b&#233;");
  variant same("plain");
  const char* before = same.mutable_text().data();
  html_escape(&same);
  EXPECT_EQ(same.mutable_text().data(), before);
}

TEST(ValueTextExpand, EntitiesFromATable) {
  name_table table;
  table.put(variant("amp"), variant("&"));
  table.put(variant("n"), variant(12));
  variant v("a&amp;lt;b &n; &AMP; &nosuch;");
  expand_entities(&v, table, true);
  EXPECT_EQ(v.str(), "a&lt;b 12 & &nosuch;");
  variant w("&AMP;");
  expand_entities(&w, table, false);
  EXPECT_EQ(w.str(), "&AMP;");
  variant c("&#65;&#x42;");
  expand_char_refs(&c);
  EXPECT_EQ(c.str(), "AB");
}

TEST(ValueTextRegex, SplitFillsTheList) {
  value_list list;
  list.push(variant("old"));
  split_regex(variant(" *; *"), variant("*.htm ; *.html;*.txt"), &list);
  EXPECT_EQ(contents(list),
            (std::vector<std::string>{"*.htm", "*.html", "*.txt"}));
  split_regex(variant("("), variant("abc"), &list);
  EXPECT_TRUE(list.empty());
}

TEST(ValueTextTrim, BlanksOnlyStaysAsItIs) {
  variant a("\tx\r\n");
  trim(&a);
  EXPECT_EQ(a.str(), "x");
  variant b("  a b  ");
  trim(&b);
  EXPECT_EQ(b.str(), "a b");
  variant c("   ");
  trim(&c);
  EXPECT_EQ(c.str(), "   ");
  variant d(5);
  trim(&d);
  EXPECT_EQ(d.str(), "5");
}

}  // namespace
