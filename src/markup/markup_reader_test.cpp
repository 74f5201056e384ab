#include "markup/markup_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kDone[] = "done";

// Parses the pieces into *doc; returns kDone or the reader's error.
std::string build(xml_document* doc, const std::vector<std::string>& pieces,
                  bool fold = true) {
  markup_reader reader(doc);
  reader.set_fold_names(fold);
  parse_status status = parse_status::more;
  for (size_t i = 0; i <= pieces.size(); ++i) {
    if (i < pieces.size()) {
      reader.push(variant(std::string_view(pieces[i])));
    } else {
      reader.set_end_of_input(true);
    }
    status = reader.parse();
    if (status != parse_status::more) break;
  }
  if (status == parse_status::done) return kDone;
  return std::string(reader.error());
}

// kind:name-or-content, children in brackets.
std::string dump(const xml_node* n) {
  std::string out;
  for (; n; n = n->next_sibling) {
    if (!out.empty()) out += " ";
    out += std::to_string(n->kind) + ":";
    out += n->kind == KIND_TEXT ? n->content.str() : n->name.str();
    if (n->first_child) out += "[" + dump(n->first_child) + "]";
  }
  return out;
}

TEST(DocumentReader, BuildsNodesByTheInsertionRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"<a></a>", "3:a"},
      {"<a/>", "3:a"},
      {"<a>x</a>", "1:a[18:x 2:a]"},
      {"<list>\n<a>x</a>\n</list>", "1:list[18:\n 1:a[18:x 2:a] 18:\n 2:list]"},
      {"<a><b>x</b></a>", "1:a[1:b[18:x 2:b] 2:a]"},
      {"<a><b/>t</a>", "1:a[3:b 18:t 2:a]"},
      {"<?xml v?><!-- c --><A k=v>y</A>", "11: 5: 1:a[18:y 2:a]"},
      {"<a><![CDATA[x &amp; <y>]]></a>", "1:a[18:x &amp; <y> 2:a]"},
      {"<a>x &amp; y &#x41;&#66;</a>", "1:a[18:x & y AB 2:a]"},
      {"<a>x<!DOCTYPE z>y</a>", "1:a[18:x 18:<!DOCTYPE z>y 2:a]"},
  };
  for (const auto& [text, tree] : cases) {
    xml_document doc;
    EXPECT_EQ(build(&doc, {text}), kDone) << text;
    EXPECT_EQ(dump(doc.root()), tree) << text;
  }
}

TEST(DocumentReader, ExpandsAttributeValues) {
  xml_document doc;
  ASSERT_EQ(build(&doc, {"<a T='&lt;&#65;' u=x/>"}), kDone);
  variant v;
  ASSERT_TRUE(doc.root()->attributes.get("t", &v));
  EXPECT_EQ(v.str(), "<A");
  ASSERT_TRUE(doc.root()->attributes.get("u", &v));
  EXPECT_EQ(v.str(), "x");  // the closing "/>" is not part of the value
}

TEST(DocumentReader, ReportsMisplacedAndUnclosedTags) {
  const std::pair<const char*, const char*> cases[] = {
      {"<a>x</b>", "misplaced end tag."},
      {"<a><b>x</b></b>", "misplaced end tag."},
      {"<a>x", "unclosed tag."},
      {"<a><b>x</b>", "unclosed tag."},
  };
  for (const auto& [text, error] : cases) {
    xml_document doc;
    EXPECT_EQ(build(&doc, {text}), error) << text;
  }
  xml_document doc;
  EXPECT_EQ(build(&doc, {"<A>x</a>"}, /*fold=*/false), "misplaced end tag.");
}

TEST(DocumentReader, NormalisesLineEndsAcrossChunks) {
  const std::string text = "<a>x\r\ny\rz\n</a>\r\n<b>";
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    xml_document doc;
    markup_reader reader(&doc);
    reader.push(variant(std::string_view(text.substr(0, cut))));
    reader.parse();
    reader.push(variant(std::string_view(text.substr(cut))));
    reader.parse();
    ASSERT_EQ(dump(doc.root()), "1:a[18:x\ny\nz\n 2:a] 18:\n 1:b") << cut;
    EXPECT_EQ(reader.line(), 5) << cut;
    EXPECT_EQ(doc.root()->first_child->raw.str(), "x\ny\nz\n");
  }
}

TEST(DocumentReader, DeepNestingNeitherRecursesNorFails) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "<a>";
  text += "x";
  std::string closing;
  for (int i = 0; i < 10000; ++i) closing += "</a>";
  xml_document doc;
  EXPECT_EQ(build(&doc, {text, closing}), kDone);
  xml_document open;
  EXPECT_EQ(build(&open, {text}), "unclosed tag.");
}

}  // namespace
