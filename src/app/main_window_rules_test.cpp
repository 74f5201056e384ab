#include "app/main_window_rules.h"

#include <algorithm>
#include <ctime>

#include "gtest/gtest.h"
#include "support/scratch_folder.h"

namespace {

settings_record settings_for(bool archive, const std::string& path,
                             const std::string& save) {
  settings_record s;
  s.source = variant(archive);
  s.path = variant(std::string_view(path));
  s.save = variant(std::string_view(save));
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

TEST(WindowCaption, NewProjectOrTheFileName) {
  EXPECT_EQ(window_caption("", -1), "New project - Dirgen 2.0");
  EXPECT_EQ(window_caption("/home/u/site.txt", 8), "site.txt - Dirgen 2.0");
  EXPECT_EQ(window_caption("/home/u/site.txt", -1), "site.txt - Dirgen 2.0");
  EXPECT_EQ(window_caption("site.txt", 0), "site.txt - Dirgen 2.0");
}

TEST(FolderPart, UpToTheLastSeparatorOrTheWholeText) {
  EXPECT_EQ(folder_part("/a/b/c.tar"), "/a/b");
  EXPECT_EQ(folder_part("c.tar"), "c.tar");
  EXPECT_EQ(folder_part("/c.tar"), "");
}

TEST(LocalImagesUrl, EncodesEveryByteAPageCouldMisread) {
  EXPECT_EQ(local_images_url("/opt/dirgen/"), "file:///opt/dirgen/images");
  EXPECT_EQ(local_images_url("/My Tools/\"x\"/"),
            "file:///My%20Tools/%22x%22/images");
  EXPECT_EQ(local_images_url("/d\xC3\xA9j\xC3\xA0/100%/<a>&#/"),
            "file:///d%C3%A9j%C3%A0/100%25/%3Ca%3E%26%23/images");
}

TEST(SettingsFiles, OnlyAReadableFileWithSettingsKeysIsTaken) {
  scratch_folder dir;
  dir.write("notes.txt", "milk\neggs\n");
  dir.write("broken.txt", "<mask>*");
  dir.write("good.txt", "<mask>*.htm</mask>\r\n<path>/x</path>\r\n");
  dir.write("typo.txt", "<path>/x</path>\r\n<sav>files.html</sav>\r\n");
  dir.write("flag.txt", "<path>/x</path>\r\n<subfolders>yes</subfolders>");
  settings_record s;
  s.mask = variant("kept");
  std::string err;
  EXPECT_FALSE(read_settings_file(dir.at("missing.txt"), &s, &err));
  EXPECT_EQ(err, "Can't open settings file " + dir.at("missing.txt") +
                     ": No such file or directory.");
  EXPECT_FALSE(read_settings_file(dir.at("notes.txt"), &s, &err));
  EXPECT_EQ(err, dir.at("notes.txt") +
                     " is not a settings file: it holds none of the settings.");
  EXPECT_FALSE(read_settings_file(dir.at("broken.txt"), &s, &err));
  EXPECT_EQ(err.rfind("Can't read " + dir.at("broken.txt") +
                          " file. The markup is in error: ",
                      0),
            0u)
      << err;
  // The words of the command line.
  EXPECT_FALSE(read_settings_file(dir.at("typo.txt"), &s, &err));
  EXPECT_EQ(err, "Unknown key \"sav\" in " + dir.at("typo.txt") +
                     " line 2; did you mean \"save\"?");
  EXPECT_FALSE(read_settings_file(dir.at("flag.txt"), &s, &err));
  EXPECT_EQ(err.rfind("Bad value \"yes\" for subfolders in " +
                          dir.at("flag.txt") + " line 2: ",
                      0),
            0u)
      << err;
  EXPECT_FALSE(read_settings_file(dir.path(), &s, &err));  // a folder
  EXPECT_NE(err.find("Is a directory"), std::string::npos);
  EXPECT_EQ(s.mask.str(), "kept");
  ASSERT_TRUE(read_settings_file(dir.at("good.txt"), &s, &err));
  EXPECT_EQ(s.mask.str(), "*.htm");
  EXPECT_EQ(s.path.str(), "/x");
}

TEST(SettingsFiles, AFailedSaveNamesThePathAndTheReason) {
  scratch_folder dir;
  settings_record s;
  std::string err;
  std::string path = dir.at("no/such/folder/s.txt");
  EXPECT_FALSE(write_settings_file(s, path, &err));
  EXPECT_EQ(err,
            "Can't save settings to " + path + ": No such file or directory.");
  EXPECT_TRUE(write_settings_file(s, dir.at("s.txt"), &err));
}

TEST(SizeBoxes, OnlyWholeNumbersOfKbThatFitAreRead) {
  int64_t kb = -1;
  std::string why;
  for (const char* good : {"0", "15", "007", "9007199254740991"}) {
    EXPECT_TRUE(read_size_box(good, &kb, &why)) << good;
  }
  EXPECT_EQ(kb, 9007199254740991);
  for (const char* bad : {"", "abc", "1.5", "-3", " 4", "1e3",
                          "9007199254740992", "99999999999999999999"}) {
    EXPECT_FALSE(read_size_box(bad, &kb, &why)) << bad;
    EXPECT_NE(why.find(std::string("\"") + bad + "\" is not one"),
              std::string::npos)
        << why;
  }
}

TEST(Drops, FoldersArchivesAndSettingsFilesAreToldApart) {
  scratch_folder dir;
  dir.write("s.txt", "<path>/x</path>");
  dir.write("a.tar.gz", "x");
  EXPECT_EQ(role_of_dropped(dir.path()), drop_role::source_folder);
  EXPECT_EQ(role_of_dropped(dir.at("s.txt")), drop_role::settings_file);
  EXPECT_EQ(role_of_dropped(dir.at("a.tar.gz")), drop_role::source_archive);
  EXPECT_EQ(role_of_dropped(dir.at("gone")), drop_role::nothing);
}

TEST(RecentFiles, NewestFirstWithoutRepeatsAndBounded) {
  std::vector<std::string> recent;
  for (int i = 0; i < 10; ++i)
    recent = with_recent(recent, "/s" + std::to_string(i));
  ASSERT_EQ(recent.size(), kRecentFilesShown);
  EXPECT_EQ(recent.front(), "/s9");
  EXPECT_EQ(recent.back(), "/s2");
  recent = with_recent(recent, "/s5");
  EXPECT_EQ(recent.size(), kRecentFilesShown);
  EXPECT_EQ(recent[0], "/s5");
  EXPECT_EQ(recent[1], "/s9");
  EXPECT_EQ(std::count(recent.begin(), recent.end(), "/s5"), 1);
}

TEST(ProgressText, CountsAndSizeAsAPersonReadsThem) {
  EXPECT_EQ(progress_text(0, 0), "0 entries, 0 KB written");
  EXPECT_EQ(progress_text(1, 1), "1 entry, 1 KB written");
  EXPECT_EQ(progress_text(1234567, 5 * 1024 * 1024 + 512 * 1024),
            "1,234,567 entries, 5.5 MB written");
}

}  // namespace

TEST(MainWindowRules, ReplaceQuestionNamesTheFilesAndCountsTheRest) {
  build_outcome o;
  o.code = kBuildForeignOutput;
  o.refused_count = 1;
  o.refused = {"/site/index.html"};
  EXPECT_TRUE(asks_to_replace(o));
  EXPECT_EQ(replace_question(o),
            "This file was not written by Dirgen, or changed since it wrote "
            "it:\n/site/index.html\n\nReplace it with the listing?");
  o.refused.clear();
  for (int i = 0; i < 12; ++i) o.refused.push_back("/s/" + std::to_string(i));
  o.refused_count = 60;
  const std::string q = replace_question(o);
  EXPECT_EQ(q.rfind("These files were", 0), 0u);
  EXPECT_NE(q.find("/s/9\nand 50 more\n\nReplace them with the listings?"),
            std::string::npos)
      << q;
  EXPECT_EQ(q.find("/s/10"), std::string::npos);
  o.code = kBuildCantCreateOutput;
  EXPECT_FALSE(asks_to_replace(o));
  EXPECT_TRUE(with_replacing_allowed(settings_record()).replace_existing.as_bool());
}
