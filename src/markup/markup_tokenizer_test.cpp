#include "markup/markup_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every hook call as T[text] or K<kind>[tag].
class recorder : public markup_tokenizer {
 public:
  std::string events;

  // Feeds the pieces one by one, then ends the input. Returns the last
  // status.
  parse_status feed(const std::vector<std::string>& pieces) {
    for (const std::string& p : pieces) {
      push(variant(std::string_view(p)));
      parse_status status = parse();
      variant spent;
      while (drain(&spent)) {
      }
      if (status != parse_status::more) return status;
    }
    set_end_of_input(true);
    return parse();
  }

 protected:
  bool on_text() override {
    if (!token().view().empty()) events += "T[" + token().str() + "]";
    token().set_length(0);
    return true;
  }
  bool on_tag() override {
    events += "K" + std::to_string(kind()) + "[" + token().str() + "]";
    return true;
  }
};

// A reader that wants every kind and ends every tag at ">".
void want_all(recorder* r) {
  r->set_wanted(variant(0x7fff));
  tag_description row;
  row.terminator = ">";
  for (int k = 0; k < kKindSlots; ++k) r->set_row(k, row);
}

TEST(Tokenizer, ClassifiesTagsByTheirOpening) {
  const std::pair<const char*, int> cases[] = {
      {"<a x>", 1},         {"<_a>", 1},         {"<:a>", 1},
      {"</a>", 2},          {"<!x>", 4},         {"<!-- c -->", 5},
      {"<![CDATA[x]]>", 6}, {"<!DOCTYPE h>", 7}, {"<!ELEMENT e>", 8},
      {"<!ATTLIST e>", 9},  {"<!ENTITY e>", 10}, {"<?x?>", 11},
      {"<%x%>", 12},        {"<#x#>", 13},       {"<!--#x-->", 14},
      {"<=>", 15},          {"<>", 15},          {"<!E>", 4},
      {"<!-x>", 4},         {"<!-->", 5},        {"<!DOCX>", 4},
      {"<!ELEMEY>", 10},    {"<!ATTLIST>", 9},
  };
  for (const auto& [text, kind] : cases) {
    recorder r;
    want_all(&r);
    EXPECT_EQ(r.feed({text}), parse_status::done) << text;
    EXPECT_EQ(r.events, "K" + std::to_string(kind) + "[" + text + "]") << text;
  }
}

TEST(Tokenizer, UnwantedKindsAreText) {
  recorder r;  // wants nothing, keeps text
  EXPECT_EQ(r.feed({"x<b>bold</b> <> <!-->y"}), parse_status::done);
  EXPECT_EQ(r.events, "T[x]T[<b>bold]T[</b> ]T[<> ]T[<!-->y]");
}

TEST(Tokenizer, WithoutKeepTextOnlyTagsArrive) {
  recorder r;
  want_all(&r);
  r.set_keep_text(variant(0));
  r.set_wanted(variant(1 << (KIND_END_TAG - 1)));
  EXPECT_EQ(r.feed({"a \"q\" <b>x</b>z"}), parse_status::done);
  EXPECT_EQ(r.events, "K2[</b>]");
}

TEST(Tokenizer, ChunkBoundariesChangeNothing) {
  const std::string text =
      "a<!--#echo var=\"x-->y\"-->b<!-- c -->d<p q='>'>e\n<!--#e-->";
  recorder whole;
  whole.set_wanted(variant((1 << (KIND_DIRECTIVE - 1)) | 1));
  whole.set_row(KIND_ELEMENT, {">", true, false, false});
  whole.feed({text});
  for (size_t cut = 1; cut < text.size(); ++cut) {
    for (size_t cut2 = cut; cut2 < text.size(); cut2 += 7) {
      recorder r;
      r.set_wanted(variant((1 << (KIND_DIRECTIVE - 1)) | 1));
      r.set_row(KIND_ELEMENT, {">", true, false, false});
      r.feed({text.substr(0, cut), text.substr(cut, cut2 - cut),
              text.substr(cut2)});
      ASSERT_EQ(r.events, whole.events) << cut << " " << cut2;
      EXPECT_EQ(r.line(), whole.line());
      EXPECT_EQ(r.column(), whole.column());
    }
  }
  EXPECT_EQ(whole.events,
            "T[a]K14[<!--#echo var=\"x-->y\"-->]T[b]T[<!-- c -->d]"
            "K1[<p q='>'>]T[e\n]K14[<!--#e-->]");
}

TEST(Tokenizer, CountsLinesAndColumns) {
  recorder r;
  r.push(variant("ab\ncd"));
  EXPECT_EQ(r.parse(), parse_status::more);
  EXPECT_EQ(r.line(), 2);
  EXPECT_EQ(r.column(), 3);  // the LF is column 1, c column 2
  r.push(variant("\n"));
  r.parse();
  EXPECT_EQ(r.line(), 3);
  EXPECT_EQ(r.column(), 1);
  recorder first;
  first.push(variant("x"));
  first.parse();
  EXPECT_EQ(first.line(), 1);
  EXPECT_EQ(first.column(), 1);
}

TEST(Tokenizer, RefusesInputAtTheLimit) {
  recorder r;
  r.set_limit(10);
  r.push(variant("12345"));
  EXPECT_EQ(r.parse(), parse_status::more);
  r.push(variant("67890"));  // the first chunk is still current: 10 queued
  EXPECT_EQ(r.parse(), parse_status::too_big);
  EXPECT_EQ(r.column(), 5);  // nothing more was read
}

TEST(Tokenizer, DrainReleasesOnlyChunksReadCompletely) {
  recorder r;
  variant spent;
  r.push(variant("ab"));
  r.push(variant("cd"));
  EXPECT_FALSE(r.drain(&spent));
  r.parse();
  ASSERT_TRUE(r.drain(&spent));
  EXPECT_EQ(spent.str(), "ab");
  EXPECT_FALSE(r.drain(&spent));  // "cd" stays current
  r.push(variant("e"));
  r.set_end_of_input(true);
  EXPECT_EQ(r.parse(), parse_status::done);
  EXPECT_EQ(r.events, "T[abcde]");
  EXPECT_TRUE(r.drain(&spent));
  EXPECT_TRUE(r.drain(&spent));
  EXPECT_FALSE(r.drain(&spent));
}

TEST(Tokenizer, TagInsideTagRestoresTheOuterTag) {
  recorder r;
  r.set_wanted(variant(1));  // elements only
  r.set_row(KIND_ELEMENT, {">", false, true, false});
  EXPECT_EQ(r.feed({"<a x=<b y> z>t"}), parse_status::done);
  EXPECT_EQ(r.events, "K1[<b y>]K1[<a x= z>]T[t]");
  // An unwanted inner tag becomes part of the outer tag's text.
  recorder u;
  u.set_wanted(variant(1));
  u.set_row(KIND_ELEMENT, {">", false, true, false});
  EXPECT_EQ(u.feed({"<a <!x y>"}), parse_status::done);
  EXPECT_EQ(u.events, "K1[<a <!x y>]");
}

TEST(Tokenizer, QuotesProtectAndBackslashEscape) {
  recorder r;
  r.set_wanted(variant(1 << (KIND_DIRECTIVE - 1)));
  EXPECT_EQ(r.feed({"<!--#a v=\"q\\\"-->\"-->x"}), parse_status::done);
  EXPECT_EQ(r.events, "K14[<!--#a v=\"q\\\"-->\"-->]T[x]");
}

TEST(Tokenizer, DeepTagNestingDoesNotRecurse) {
  recorder r;
  r.set_wanted(variant(1));
  r.set_row(KIND_ELEMENT, {">", false, true, false});
  std::string nested;
  for (int i = 0; i < 10000; ++i) nested += "<a ";
  for (int i = 0; i < 10000; ++i) nested += ">";
  EXPECT_EQ(r.feed({nested}), parse_status::done);
  EXPECT_EQ(r.events.substr(0, 8), "K1[<a >]");
}

}  // namespace
