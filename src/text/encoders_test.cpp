#include "text/encoders.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::string url(std::string_view s) {
  byte_string out;
  url_encode(s, &out);
  return out.str();
}

std::string escaped(std::string_view s) {
  byte_string k(s);
  html_escape(&k);
  return k.str();
}

TEST(UrlEncode, OnlyUnreservedBytesStay) {
  EXPECT_EQ(url("a b/c~"), "a%20b%2Fc%7E");
  EXPECT_EQ(url("\xE9"), "%E9");
  EXPECT_EQ(url("-._AZaz09"), "-._AZaz09");
  EXPECT_EQ(url(std::string_view("\0\xFF", 2)), "%00%FF");
  EXPECT_EQ(url("\xC3\xA9"), "%C3%A9");  // UTF-8 comes out standard
}

TEST(UrlEncode, DestinationSizedForThreeBytesPerInput) {
  byte_string out;
  url_encode("abcd", &out);
  EXPECT_EQ(out.length(), 4);
  EXPECT_EQ(out.capacity(), 12 + 12 / 16 + 2);
}

TEST(HtmlEscape, MarkupBytesBecomeEntities) {
  EXPECT_EQ(escaped("a<b"), "a&lt;b");
  EXPECT_EQ(escaped("\"x\" & <y>"), "&quot;x&quot; &amp; &lt;y&gt;");
  EXPECT_EQ(escaped("&amp;"), "&amp;amp;");
  EXPECT_EQ(escaped("it's"), "it's");
}

TEST(HtmlEscape, ValidUtf8StaysOtherHighBytesBecomeNumeric) {
  struct {
    std::string_view in;
    const char* want;
  } cases[] = {
      {"\x80", "&#128;"},
      {"\xE9", "&#233;"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                    // é
      {"\xE2\x82\xAC<", "\xE2\x82\xAC&lt;"},             // € then <
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},          // U+1F600
      {"\xC3", "&#195;"},                                // truncated sequence
      {"\xC3(", "&#195;("},                              // bad continuation
      {"\xC0\xAF", "&#192;&#175;"},                      // overlong "/"
      {"\xE0\x80\xAF", "&#224;&#128;&#175;"},            // overlong 3-byte
      {"\xED\xA0\x80", "&#237;&#160;&#128;"},            // surrogate U+D800
      {"\xF4\x90\x80\x80", "&#244;&#144;&#128;&#128;"},  // above U+10FFFF
      {"\xF5\x80", "&#245;&#128;"},
      {"\xFF\xFE", "&#255;&#254;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(escaped(c.in), c.want) << testing::PrintToString(c.in);
  }
}

std::string html_name(std::string_view s) {
  std::string out;
  append_html_name(s, &out);
  return out;
}

// A name must show as what it is: nothing in it may reorder, hide or break
// the text around it, and every byte that is not UTF-8 shows the same way.
TEST(HtmlName, DirectionAndControlCharactersShowAsTheirCodes) {
  struct {
    std::string_view in;
    const char* want;
  } cases[] = {
      {"evil\xE2\x80\xAEgnp.exe", "evil\\u202Egnp.exe"},  // U+202E
      {"\xE2\x80\xAA\xE2\x80\xAD", "\\u202A\\u202D"},
      {"\xE2\x81\xA6x\xE2\x81\xA9", "\\u2066x\\u2069"},   // isolates
      {"\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", "\\u200E\\u200F\\u061C"},
      {"a\xE2\x80\xA8" "b\xE2\x80\xA9", "a\\u2028b\\u2029"},
      {std::string_view("\0\x01\t\n\r\x1B\x7F", 7),
       "\\u0000\\u0001\\u0009\\u000A\\u000D\\u001B\\u007F"},
      {"\xC2\x85\xC2\x9F\xC2\xA0", "\\u0085\\u009F\xC2\xA0"},  // C1; NBSP
      {"bad\xFF\xFE", "bad\\xFF\\xFE"},
      {"\xC3(\xED\xA0\x80", "\\xC3(\\xED\\xA0\\x80"},  // cut; surrogate
      // Joiners and right-to-left letters are text, not controls.
      {"\xE2\x80\x8D\xD7\x90", "\xE2\x80\x8D\xD7\x90"},
      {"<a href='x'>&\"", "&lt;a href=&#39;x&#39;&gt;&amp;&quot;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(html_name(c.in), c.want) << testing::PrintToString(c.in);
  }
}

TEST(HtmlText, KeepsLineBreaksAndTabsOnly) {
  std::string out;
  append_html_text("a\tb\r\nc\x0C\xE2\x80\xAE<\xFF", &out);
  EXPECT_EQ(out, "a\tb\r\nc\\u000C\\u202E&lt;\\xFF");
}

TEST(HtmlEscape, NothingToEscapeKeepsTheSameBuffer) {
  for (std::string_view s : {"plain text", "caf\xC3\xA9", ""}) {
    byte_string k(s);
    const char* before = k.data();
    EXPECT_FALSE(html_escape(&k));
    EXPECT_EQ(k.data(), before);
    EXPECT_EQ(k.view(), s);
  }
}

TEST(Utf8SequenceLength, BoundariesOfTheValidRanges) {
  EXPECT_EQ(utf8_sequence_length("A"), 1u);
  EXPECT_EQ(utf8_sequence_length("\xC2\x80"), 2u);          // U+0080
  EXPECT_EQ(utf8_sequence_length("\xDF\xBF"), 2u);          // U+07FF
  EXPECT_EQ(utf8_sequence_length("\xE0\xA0\x80"), 3u);      // U+0800
  EXPECT_EQ(utf8_sequence_length("\xED\x9F\xBF"), 3u);      // U+D7FF
  EXPECT_EQ(utf8_sequence_length("\xEE\x80\x80"), 3u);      // U+E000
  EXPECT_EQ(utf8_sequence_length("\xF4\x8F\xBF\xBF"), 4u);  // U+10FFFF
  EXPECT_EQ(utf8_sequence_length("\xC1\xBF"), 0u);
  EXPECT_EQ(utf8_sequence_length("\x80"), 0u);
  EXPECT_EQ(utf8_sequence_length(""), 0u);
}

// Entity table for the expander tests.
bool lookup(std::string_view name, byte_string* out) {
  static const std::map<std::string, std::string, std::less<>> table = {
      {"amp", "&"}, {"lt", "<"}, {"AMP", "[upper]"}, {"a.b-c:d", "dotted"}};
  auto it = table.find(name);
  if (it == table.end()) return false;
  out->append_bytes(it->second.data(), static_cast<int32_t>(it->second.size()));
  return true;
}

std::string entities(std::string_view s, bool fold) {
  byte_string k(s);
  expand_entities(&k, lookup, fold);
  return k.str();
}

TEST(ExpandEntities, ReplacesKnownNamesOnce) {
  EXPECT_EQ(entities("a&amp;lt;b", false), "a&lt;b");  // no second pass
  EXPECT_EQ(entities("&nosuch; &lt;", false), "&nosuch; <");
  EXPECT_EQ(entities("&AMP;", true), "&");
  EXPECT_EQ(entities("&AMP;", false), "[upper]");
  EXPECT_EQ(entities("x&a.b-c:d;y", false), "xdottedy");
  EXPECT_EQ(entities("& amp; &1a; &amp &;", false), "& amp; &1a; &amp &;");
  EXPECT_EQ(entities("&&lt;&", false), "&<&");
  EXPECT_EQ(entities("&am&lt;", false), "&am<");
  EXPECT_EQ(entities(std::string_view("\0&lt;", 5), false),
            std::string("\0<", 2));
}

TEST(ExpandEntities, NoReferenceLeavesTheBufferAlone) {
  byte_string k(std::string_view("no refs & here"));
  const char* before = k.data();
  EXPECT_FALSE(expand_entities(&k, lookup, false));
  EXPECT_EQ(k.data(), before);
}

std::string char_refs(std::string_view s) {
  byte_string k(s);
  expand_char_refs(&k);
  return k.str();
}

TEST(ExpandCharRefs, DecimalAndLowerCaseHexToLowEightBits) {
  EXPECT_EQ(char_refs("&#65;&#x41;"), "AA");
  EXPECT_EQ(char_refs("&#X41;"), "&#X41;");
  EXPECT_EQ(char_refs("&#321;"), "A");
  EXPECT_EQ(char_refs("&#1a;"), "\x01");
  EXPECT_EQ(char_refs("&#0;"), std::string(1, '\0'));
  EXPECT_EQ(char_refs("&#xe9;&#xE9;"), "\xE9\xE9");
  EXPECT_EQ(char_refs("&#x;&#;&#12"), "&#x;&#;&#12");
  EXPECT_EQ(char_refs("&#&#66;"), "&#B");
  EXPECT_EQ(char_refs("&#99999999999;"), "\xFF");
  EXPECT_EQ(char_refs("&#233;"), "\xE9");
}

TEST(ExpandCharRefs, InverseOfHtmlEscapeForSingleBytes) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::string one(1, static_cast<char>(b));
    byte_string k(one);
    html_escape(&k);
    expand_char_refs(&k);
    EXPECT_EQ(k.str(), one) << b;
  }
}

TEST(LineBreakEscapes, RoundTripAndRefuseOtherEscapes) {
  const std::string odd = "a\\b\nc\\n";
  EXPECT_EQ(escape_line_breaks(odd), "a\\\\b\\nc\\\\n");
  std::string back;
  ASSERT_TRUE(unescape_line_breaks(escape_line_breaks(odd), &back));
  EXPECT_EQ(back, odd);
  EXPECT_FALSE(unescape_line_breaks("a\\t", &back));
  EXPECT_FALSE(unescape_line_breaks("a\\", &back));
}

}  // namespace
