#include "markup/template_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "markup/template_run.h"
#include "markup/template_variables.h"
#include "value/name_table.h"
#include "value/value_list.h"

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
  EXPECT_EQ(fault_of("<!--#if var=title-->a<!--#else-->b<!--#else-->c"
                     "<!--#endif-->"),
            "1:35 a second else for the if at line 1, column 1");
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

// The text at a fault's line and column, counted as the check counts.
std::string_view text_at(std::string_view text, const template_fault& f) {
  size_t start = 0;
  for (int32_t line = 1; line < f.line; ++line) {
    start = text.find('\n', start);
    if (start == std::string_view::npos) return "";
    ++start;
  }
  start += static_cast<size_t>(f.column) - 1;
  return start < text.size() ? text.substr(start) : "";
}

// A random template: text, blocks nested up to depth deep, and now and then
// a directive in error (or a closing one out of place).
std::string random_template(std::mt19937& random, int depth) {
  const char* const kText[] = {"x",
                               "\n",
                               "ab\r\ncd",
                               "<b>",
                               "<a href=\"<!--#echo var=title-->\">",
                               "<!--#echo\nvar=all-->"};
  const char* const kFaulty[] = {
      "<!--#if var=empty--><!--#endif-->", "<!--#echo var=nope-->",
      "<!--#echo var=title encoding=xml-->", "<!--#endfor-->", "<!--#else-->"};
  std::string text;
  const int n = 1 + static_cast<int>(random() % 5);
  for (int i = 0; i < n; ++i) {
    const unsigned pick = random() % 20;
    if (pick < 2) {
      text += kFaulty[random() % std::size(kFaulty)];
    } else if (pick < 6 && depth > 0) {
      text += "<!--#for var=all-->" + random_template(random, depth - 1) +
              "<!--#endfor-->";
    } else if (pick < 9 && depth > 0) {
      text +=
          random() % 2 ? "<!--#if var=show_summary-->" : "<!--#if var=zero-->";
      text += random_template(random, depth - 1);
      if (random() % 2)
        text += "<!--#else-->" + random_template(random, depth - 1);
      text += "<!--#endif-->";
    } else {
      text += kText[random() % std::size(kText)];
    }
  }
  return text;
}

// Every fault the check reports stands at the first byte of a directive.
// A template the check passes may still meet, in a run, a list without
// entries (as an empty listing has): that fault too is placed at its
// directive, however deep in blocks the interpreter met it.
TEST(TemplateCheck, FaultsStandAtTheirDirectivesInTheCheckAndInARun) {
  list_table table;
  for (const char* v : {"a", "b", "c"}) table.add("all", variant(v));
  table.add("show_summary", variant(1));
  table.add("zero", variant(0));
  table.add("title", variant("t"));
  table.insert_list("empty", std::make_unique<value_list>());
  table_variables vars(&table);
  const std::vector<std::string_view> known = {"all", "empty", "show_summary",
                                               "zero", "title"};
  std::mt19937 random(20261210);
  int refused = 0, clean = 0, deep_faults = 0;
  for (int round = 0; round < 2000; ++round) {
    const std::string text = random_template(random, 3);
    SCOPED_TRACE(text);
    template_fault checked;
    if (!check_template_text(text, known, &checked)) {
      ++refused;
      EXPECT_EQ(text_at(text, checked).substr(0, 5), "<!--#")
          << checked.line << ":" << checked.column << " " << checked.what;
      continue;
    }
    std::string out, err;
    template_fault ran;
    ASSERT_TRUE(run_template_text(text, &vars, &out, &err, 7, &ran)) << err;
    if (ran.line == 0) {
      ++clean;
      EXPECT_EQ(out.find("Error occurred"), std::string::npos);
      continue;
    }
    EXPECT_EQ(text_at(text, ran).substr(0, 20), "<!--#if var=empty-->")
        << ran.line << ":" << ran.column << " " << ran.what;
    if (text.compare(0, 20, "<!--#if var=empty-->") != 0) ++deep_faults;
  }
  EXPECT_GT(refused, 100);
  EXPECT_GT(clean, 100);
  EXPECT_GT(deep_faults, 50);
}

}  // namespace
