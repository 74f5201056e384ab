#include "text/output_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string enc(output_encoding e, std::string_view s) {
  std::string out = "[";
  append_encoded(e, s, &out);
  return out;
}

TEST(OutputEncoding, NamesAreReadInAnyCaseAndOthersRefused) {
  output_encoding e = output_encoding::kHtml;
  EXPECT_TRUE(output_encoding_named("JSON", &e));
  EXPECT_EQ(e, output_encoding::kJson);
  EXPECT_TRUE(output_encoding_named("markdown", &e));
  EXPECT_EQ(e, output_encoding::kMarkdown);
  EXPECT_FALSE(output_encoding_named("js", &e));
  EXPECT_FALSE(output_encoding_named("", &e));
  EXPECT_EQ(e, output_encoding::kMarkdown);
}

TEST(OutputEncoding, HtmlEscapesBothQuotesAndShowsStrayBytes) {
  EXPECT_EQ(enc(output_encoding::kHtml, "a&b<c>\"d'\xC3\xA9\xFF"),
            "[a&amp;b&lt;c&gt;&quot;d&#39;\xC3\xA9\\xFF");
}

TEST(OutputEncoding, UrlKeepsSlashesAndEncodesEveryOtherByte) {
  EXPECT_EQ(enc(output_encoding::kUrl, "dir x/a#b?c%\xFF.txt"),
            "[dir%20x/a%23b%3Fc%25%FF.txt");
}

TEST(OutputEncoding, JsonWritesEveryByteSafelyAndReversibly) {
  EXPECT_EQ(enc(output_encoding::kJson, "q\"b\\n\nt\tc\x01</script>&"),
            "[q\\\"b\\\\n\\nt\\tc\\u0001\\u003C/script\\u003E\\u0026");
  // Valid UTF-8 stays; a stray byte becomes the surrogate 0xDC00 + byte, the
  // JavaScript line separators are escaped.
  EXPECT_EQ(enc(output_encoding::kJson, "\xC3\xA9\xFF\xC3\xE2\x80\xA8"),
            "[\xC3\xA9\\uDCFF\\uDCC3\\u2028");
}

TEST(OutputEncoding, CsvDoublesQuotesAndKeepsTheRest) {
  EXPECT_EQ(enc(output_encoding::kCsv, "a,\"b\"\r\nc\xFF"),
            "[a,\"\"b\"\"\r\nc\xFF");
}

TEST(OutputEncoding, MarkdownEscapesPunctuationAndLineBreaks) {
  EXPECT_EQ(enc(output_encoding::kMarkdown, "[l](r.pdf) *s* _u_ `t`\\"),
            "[\\[l\\]\\(r\\.pdf\\) \\*s\\* \\_u\\_ \\`t\\`\\\\");
  // Shown as in HTML: "\u000A", "\u202E", "\xFF", each behind the
  // backslash that keeps its own backslash.
  EXPECT_EQ(enc(output_encoding::kMarkdown, "a\nb\xE2\x80\xAE\xFF\xC3\xA9"),
            "[a\\\\u000Ab\\\\u202E\\\\xFF\xC3\xA9");
}

}  // namespace
