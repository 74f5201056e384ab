// Hostile settings files and templates: over the size limit, nested
// thousands of levels deep, never closed. Each must end with its documented
// result, quickly and without a crash.
#include <gtest/gtest.h>

#include <string>

#include "markup/settings_file.h"
#include "markup/template_run.h"
#include "project/settings_record.h"
#include "support/scratch_folder.h"
#include "value/name_table.h"

namespace {

constexpr size_t kSettingsLimit = kMaxQueuedMarkup;

std::string repeat(const std::string& s, int n) {
  std::string out;
  out.reserve(s.size() * n);
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(HostileSettings, FileOverTheSizeLimitReportsSizeExceeded) {
  scratch_folder root;
  std::string value(kSettingsLimit, 'x');
  ASSERT_TRUE(root.write("big.dgn", "<mask>" + value + "</mask>\r\n"));
  variant path(std::string_view(root.at("big.dgn")));

  list_table loaded;
  loaded.add("kept", variant("before"));
  std::string err;
  EXPECT_FALSE(load_settings_file(path, &loaded, &err));
  EXPECT_NE(err.find("Error: size exceeded.\r\n"), std::string::npos)
      << err.substr(0, 200);
  EXPECT_EQ(loaded.size(), 1);  // only what it held before

  settings_record project;
  EXPECT_FALSE(project.load_settings(path, &err));
  EXPECT_EQ(project.mask.str(), settings_record().mask.str());
}

TEST(HostileSettings, FileJustUnderTheLimitStillLoads) {
  scratch_folder root;
  std::string value(kSettingsLimit - 64, 'y');
  ASSERT_TRUE(root.write("near.dgn", "<mask>" + value + "</mask>\r\n"));
  settings_record project;
  std::string err;
  ASSERT_TRUE(project.load_settings(
      variant(std::string_view(root.at("near.dgn"))), &err))
      << err.substr(0, 200);
  EXPECT_EQ(project.mask.length(), static_cast<int32_t>(value.size()));
}

TEST(HostileSettings, ElementsNestedTenThousandDeepLoadTheInnermostKey) {
  scratch_folder root;
  ASSERT_TRUE(root.write("deep.dgn", repeat("<n>", 10000) + "<mask>*.x</mask>" +
                                         repeat("</n>", 10000)));
  list_table loaded;
  std::string err;
  ASSERT_TRUE(load_settings_file(variant(std::string_view(root.at("deep.dgn"))),
                                 &loaded, &err))
      << err.substr(0, 200);
  variant mask;
  EXPECT_TRUE(loaded.first(variant("mask"), &mask));
  EXPECT_EQ(mask.str(), "*.x");
}

class HostileTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    vars_.add("flag", variant(1));
    vars_.add("one", variant("v"));
  }
  bool run(const std::string& text, std::string* out) {
    std::string err;
    return run_template_text(text, &view_, out, &err);
  }
  list_table vars_;
  table_variables view_{&vars_};
};

TEST_F(HostileTemplate, UnclosedBlocksTenThousandDeepDropWhatTheyCollected) {
  // The open outer block collects every inner directive; at the end only
  // the text after the last directive is written.
  std::string text = "head" + repeat("<!--#if var=flag-->x", 10000) + "tail";
  std::string out;
  EXPECT_TRUE(run(text, &out));  // a block left open is no error
  EXPECT_EQ(out, "headxtail");
}

TEST_F(HostileTemplate, DirectiveNeverClosedIsWrittenAsText) {
  // The open comment swallows the rest of the template, megabytes of it,
  // which then comes out unchanged.
  std::string text = "<p>before <!--#echo var=\"one" +
                     repeat("text <b>bold</b> \"quoted\" -- > <!-- ", 40000);
  std::string out;
  EXPECT_TRUE(run(text, &out));
  EXPECT_EQ(out, text);
}

}  // namespace
