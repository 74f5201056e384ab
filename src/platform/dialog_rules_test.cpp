#include "platform/dialog_rules.h"

#include <gtest/gtest.h>

namespace {

using Filters = std::vector<std::string>;

TEST(DialogRules, InitialFolderLosesOneTrailingSlashExceptTheRoot) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/docs/", "/home/docs"},
      {"/home/docs", "/home/docs"},
      {"/", "/"},
      {"", ""},
      {"C:", "C:"},
      {"rel/", "rel"},
      {"/a\\", "/a\\"},
  };
  for (const auto& [in, out] : cases) {
    std::string folder = in;
    adjust_initial_folder(&folder);
    EXPECT_EQ(folder, out) << in;
  }
}

TEST(DialogRules, FilterPairsBecomeNameFilters) {
  using namespace std::string_literals;
  struct Case {
    std::string filter;
    Filters filters;
  };
  const Case cases[] = {
      {"", {}},
      {"Settings files\0*.dgn\0All files\0*.*\0\0"s,
       {"Settings files (*.dgn)", "All files (*)"}},
      {"Archives\0*.tar; *.tgz;*.zip\0\0"s, {"Archives (*.tar *.tgz *.zip)"}},
      {"Only description\0"s, {}},
      {"One\0*.a\0\0Ignored\0*.b\0\0"s, {"One (*.a)"}},
      {"No terminator\0*.x"s, {"No terminator (*.x)"}},
      {"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0\0"s,
       {"Text Files (*.txt)", "All Files (*)"}},
      {"HTML Files (*.htm; *.html)\0*.htm;*.html\0\0"s,
       {"HTML Files (*.htm *.html)"}},
      {"Notes (draft)\0*.md\0\0"s, {"Notes (draft) (*.md)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(name_filters_of(c.filter), c.filters);
  }
}

TEST(DialogRules, DefaultExtensionGoesOnlyOnNamesWithoutOne) {
  struct Case {
    const char* path;
    const char* ext;
    const char* result;
  };
  const Case cases[] = {
      {"/w/list", "dgn", "/w/list.dgn"},
      {"/w/list", ".dgn", "/w/list.dgn"},
      {"/w/list.htm", "dgn", "/w/list.htm"},
      {"/w.d/list", "dgn", "/w.d/list.dgn"},
      {"/w/list", "", "/w/list"},
      {"/w/", "dgn", "/w/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(with_default_extension(c.path, c.ext), c.result) << c.path;
  }
}

TEST(DialogRules, ResultAndNameOffset) {
  EXPECT_EQ(file_name_offset("/home/u/list.html"), 8);
  EXPECT_EQ(file_name_offset("/list.html"), 1);
  EXPECT_EQ(file_name_offset("list.html"), 0);

  int32_t offset = 0;
  EXPECT_EQ(multi_select_result({}, &offset), "");
  EXPECT_EQ(offset, -1);
  EXPECT_EQ(multi_select_result({"/d/a.zip"}, &offset), "/d/a.zip");
  EXPECT_EQ(offset, 3);
  EXPECT_EQ(multi_select_result({"/d/a.zip", "/d/b.tar"}, &offset),
            std::string("/d\0a.zip\0b.tar", 14));
  EXPECT_EQ(offset, 3);
  EXPECT_EQ(multi_select_result({"/a", "/b"}, &offset),
            std::string("/\0a\0b", 5));
  EXPECT_EQ(offset, 2);
}

TEST(DialogRules, TitleLineBreaksAndCentring) {
  EXPECT_EQ(one_line_title("Dirgen 2.0\r\nSelect an installation folder"),
            "Dirgen 2.0 - Select an installation folder");
  EXPECT_EQ(one_line_title("a\nb\rc"), "a - b - c");

  window_origin o = centered_origin(1920, 1080, 640, 480);
  EXPECT_EQ(o.left, 640);
  EXPECT_EQ(o.top, 300);
  o = centered_origin(800, 600, 1000, 700);  // larger than the screen
  EXPECT_EQ(o.left, 0);
  EXPECT_EQ(o.top, 0);
  o = centered_origin(800, 600, 801, 100);
  EXPECT_EQ(o.left, 0);
  EXPECT_EQ(o.top, 250);
}

}  // namespace
