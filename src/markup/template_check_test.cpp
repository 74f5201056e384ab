#include "markup/template_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::string_view> kKnown = {
    "all", "files", "name_files", "name_html_files", "show_summary", "title"};

// "line:column what" of the first fault, or "" when there is none; the
// same whatever the chunk size.
std::string fault_of(const std::string& text) {
  std::string first;
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{8092}}) {
    template_fault f;
    std::string got;
    if (!check_template_text(text, kKnown, &f, chunk)) {
      got = std::to_string(f.line) + ":" + std::to_string(f.column) + " " +
            f.what;
    }
    if (chunk == 1) {
      first = got;
    } else {
      EXPECT_EQ(got, first) << "chunks of " << chunk;
    }
  }
  return first;
}

TEST(TemplateCheck, SoundTemplatesPass) {
  EXPECT_EQ(fault_of(""), "");
  EXPECT_EQ(fault_of("<html><!-- a comment --><p>no directives</p>"), "");
  EXPECT_EQ(fault_of("<!--#for var=files--><!--#if var=show_summary-->"
                     "<!--#echo var=name_files encoding=json-->"
                     "<!--#else--><!--#echo var=\"title\"--><!--#endif-->"
                     "<!--#endfor-->"),
            "");
  // Directives the interpreter does not know are passed on, not checked.
  EXPECT_EQ(fault_of("<!--#include virtual=\"/footer.html\"-->"), "");
}

TEST(TemplateCheck, EachFaultIsPlacedWhereItsDirectiveStarts) {
  EXPECT_EQ(fault_of("<ul>\n  <li><!--#echo var=nmae_html_files--></li>"),
            "2:7 unknown variable nmae_html_files; did you mean "
            "name_html_files?");
  EXPECT_EQ(fault_of("<!--#echo var=Title-->"),
            "1:1 unknown variable Title; did you mean title?");
  EXPECT_EQ(fault_of("x<!--#for var=wholly_other--><!--#endfor-->"),
            "1:2 unknown variable wholly_other");
  EXPECT_EQ(fault_of("<!--#if-->"), "1:1 if without var");
  EXPECT_EQ(fault_of("<!--#echo var=title encoding=xml-->"),
            "1:1 unknown encoding xml (html, url, json, csv or markdown)");
  EXPECT_EQ(fault_of("a\r\nb <!--#endfor-->"), "2:3 endfor without for");
  EXPECT_EQ(fault_of("<!--#else-->"), "1:1 else without if");
  EXPECT_EQ(fault_of("<!--#for var=files-->\n<!--#if var=title-->\n"
                     "<!--#endfor-->"),
            "3:1 endfor where endif is due (if at line 2, column 1)");
  EXPECT_EQ(fault_of("\n\n   <!--#for var=files-->\n<!--#echo var=title-->"),
            "3:4 for without endfor");
  // A directive over several lines is placed at its first byte.
  EXPECT_EQ(fault_of("ab<!--#echo\n  var=nope-->"),
            "1:3 unknown variable nope");
}

TEST(TemplateCheck, NestingBeyondWhatTheInterpreterRunsIsAFault) {
  std::string deep;
  for (int i = 0; i < 201; ++i) deep += "<!--#if var=title-->";
  for (int i = 0; i < 201; ++i) deep += "<!--#endif-->";
  template_fault f;
  EXPECT_FALSE(check_template_text(deep, kKnown, &f));
  EXPECT_EQ(f.what, "blocks nest deeper than 200");
  EXPECT_EQ(f.column, 1 + 200 * 20);
}

TEST(TemplateCheck, AFileIsReadToItsEnd) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  const std::string text = std::string(20000, 'x') + "\n<!--#echo var=nam-->";
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  template_fault fault;
  EXPECT_FALSE(check_template_file(f, kKnown, &fault));
  EXPECT_EQ(fault.line, 2);
  EXPECT_EQ(fault.what, "unknown variable nam");
  std::fclose(f);
}

}  // namespace
