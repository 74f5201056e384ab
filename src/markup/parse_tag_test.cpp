#include "markup/parse_tag.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct tag_case {
  const char* text;
  bool fold, backslash, name_only;
  const char* name;
  std::vector<tag_attribute> attributes;
};

TEST(ParseTag, SplitsNameAndAttributes) {
  const tag_case cases[] = {
      {"<a href=x title='y z' checked>",
       true,
       false,
       false,
       "a",
       {{"href", "x"}, {"title", "y z"}, {"checked", ""}}},
      {"<a href=x title='y z' checked",
       true,
       false,
       false,
       "a",
       {{"href", "x"}, {"title", "y z"}, {"checked", ""}}},
      {"</Name >", true, false, true, "name", {}},
      {"<!--#echo var=\"x\" ", true, true, false, "echo", {{"var", "x"}}},
      {"<!--#ECHO VAR=Title", true, true, false, "echo", {{"var", "Title"}}},
      {"<!--#echo var=\"a\\\"b\"",
       true,
       true,
       false,
       "echo",
       {{"var", "a\"b"}}},
      {"<!--#echo var='a-->b'", true, true, false, "echo", {{"var", "a-->b"}}},
      {"<Key A=1 a=2>", false, false, false, "Key", {{"A", "1"}, {"a", "2>"}}},
      {"<x a = 5 b>", false, false, false, "x", {{"a", "5"}, {"b", ""}}},
      {"<my-key.2 n=-1.5", true, false, false, "my-key.2", {{"n", "-1.5"}}},
      {"<x a b=c", true, false, false, "x", {{"a", ""}, {"b", "c"}}},
  };
  for (const tag_case& c : cases) {
    std::string name;
    std::vector<tag_attribute> attributes;
    parse_tag_pairs(c.text, c.fold, c.backslash, c.name_only, &name,
                    &attributes);
    EXPECT_EQ(name, c.name) << c.text;
    EXPECT_EQ(attributes, c.attributes) << c.text;
  }
}

TEST(ParseTag, TableKeepsLastOfRepeatedAttribute) {
  std::string text = "<x v=1 V=2 w='q'";
  variant name;
  name_table attributes;
  attributes.put("stale", "1");
  parse_tag(text.data(), static_cast<int32_t>(text.size()), &name, &attributes,
            true, false, false);
  EXPECT_EQ(name.str(), "x");
  EXPECT_EQ(attributes.size(), 2);
  variant v;
  EXPECT_TRUE(attributes.get("v", &v));
  EXPECT_EQ(v.str(), "2");
  EXPECT_FALSE(attributes.get("stale", &v));
}

}  // namespace
