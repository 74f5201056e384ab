#include "app/form1_rules.h"

#include <ctime>

#include "gtest/gtest.h"
#include "support/scratch_folder.h"

namespace {

dirgen_project settings_for(bool archive, const std::string& path,
                            const std::string& save) {
  dirgen_project s;
  s.source = kvval(archive);
  s.path = kvval(std::string_view(path));
  s.save = kvval(std::string_view(save));
  return s;
}

TEST(ListingChecks, SourceAndOutputMessagesInTheirPrecedence) {
  scratch_folder dir;
  dir.write("a.tar", "x");
  const std::string folder = dir.path();
  const std::string file = dir.at("a.tar");
  const std::string missing = dir.at("nothing");
  struct {
    bool archive;
    std::string path, save, message;
  } cases[] = {
      {false, folder, "out.html", ""},
      {false, folder + "/", "out.html", ""},
      {false, "/", "out.html", ""},
      {true, file, "out.html", ""},
      {true, folder, "out.html", "Source must be an archive file."},
      {false, file, "out.html", "Source must be a directory."},
      {false, missing, "out.html", "Source directory doesn't exist."},
      {false, "", "out.html", "Source directory doesn't exist."},
      {true, missing, "out.html", "Source file doesn't exist."},
      {false, folder, "", "Output file must be specified"},
      {false, missing, "", "Output file must be specified"},
      {true, folder, "", "Output file must be specified"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(listing_check_message(settings_for(c.archive, c.path, c.save)),
              c.message)
        << c.archive << " " << c.path << " [" << c.save << "]";
  }
}

TEST(ProgressBar, GrowsFromTheLeftThenShrinksToTheRight) {
  struct {
    int64_t tick;
    int width, left, bar;
  } cases[] = {
      {0, 400, 0, 0},       {50, 400, 0, 200},    {100, 400, 0, 400},
      {150, 400, 200, 200}, {250, 400, 0, 200},   {199, 400, 396, 4},
      {200, 400, 0, 0},     {150, 333, 166, 167},
  };
  for (const auto& c : cases) {
    bar_span s = progress_bar_span(c.tick, c.width);
    EXPECT_EQ(s.left, c.left) << c.tick << " " << c.width;
    EXPECT_EQ(s.width, c.bar) << c.tick << " " << c.width;
  }
}

TEST(DateExample, FormatsLocalWallClockTime) {
  scoped_env tz("TZ", "UTC-2");  // two hours east of UTC, no daylight saving
  tzset();
  EXPECT_EQ(date_example("%Y-%m-%d %H:%M:%S", 0), "1970-01-01 02:00:00");
  EXPECT_EQ(date_example("", 0), "");
  EXPECT_EQ(date_example("plain", 0), "plain");
}

TEST(DateExample, ResultLongerThanItsRoomGivesEmptyText) {
  // Room for 2 + 15 bytes per "%c" plus 128; each gives 24 bytes in the C
  // locale, so 30 of them (720 bytes) do not fit in 638.
  std::string format;
  for (int i = 0; i < 30; ++i) format += "%c";
  EXPECT_EQ(date_example(format, 0), "");
  EXPECT_EQ(date_example("%c", 0).size(), 24u);
}

TEST(WindowCaption, NewProjectOrTheFileName) {
  EXPECT_EQ(window_caption("", -1), "New project - Dirgen 2.0");
  EXPECT_EQ(window_caption("/home/u/site.txt", 8), "site.txt - Dirgen 2.0");
  EXPECT_EQ(window_caption("/home/u/site.txt", -1), "site.txt - Dirgen 2.0");
  EXPECT_EQ(window_caption("site.txt", 0), "site.txt - Dirgen 2.0");
}

TEST(GeneratedOutput, ResolvedAsTheBuildPlacesIt) {
  struct {
    bool archive, recursive, one_file;
    std::string path, save, expected;
  } cases[] = {
      {false, false, false, "/data", "index.html", "/data/index.html"},
      {false, false, false, "/data/", "index.html", "/data/index.html"},
      {false, false, false, "/data", "out/x.html", "/data/out/x.html"},
      {false, false, false, "/data", "/tmp/x.html", "/tmp/x.html"},
      {false, true, false, "/data", "/tmp/x.html", "/data/x.html"},
      {false, true, true, "/data", "/tmp/x.html", "/tmp/x.html"},
      {true, false, false, "/arc/a.zip", "x.html", "/arc/x.html"},
      {true, false, false, "/arc/a.zip", "/o/x.html", "/o/x.html"},
  };
  for (const auto& c : cases) {
    dirgen_project s = settings_for(c.archive, c.path, c.save);
    s.subfolders = kvval(c.recursive);
    s.subfolders_in_one_file = kvval(c.one_file);
    EXPECT_EQ(generated_output_path(s), c.expected) << c.path << " " << c.save;
  }
}

TEST(FolderPart, UpToTheLastSeparatorOrTheWholeText) {
  EXPECT_EQ(folder_part("/a/b/c.tar"), "/a/b");
  EXPECT_EQ(folder_part("c.tar"), "c.tar");
  EXPECT_EQ(folder_part("/c.tar"), "");
}

}  // namespace
