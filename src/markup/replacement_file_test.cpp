#include "markup/replacement_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace {

size_t entries_in(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    (void)e;
    ++n;
  }
  return n;
}

// Replaces name in folder with bytes; "" on success, else the reason.
std::string replace(const std::string& folder, const std::string& name,
                    const std::string& bytes) {
  int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  replacement_file out;
  std::string err;
  bool ok = out.open(fd, folder, name, {}, &err) && out.write(bytes, &err) &&
            out.finish(&err) && out.commit(&err);
  close(fd);
  return ok ? "" : err;
}

TEST(ReplacementFile, FollowsLinksToTheFileTheyNameWhereverItIs) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.make_folder("site"));
  ASSERT_TRUE(tmp.make_folder("real"));
  ASSERT_TRUE(tmp.write("real/page.html", "old"));
  ASSERT_EQ(symlink("../real/page.html", tmp.at("site/index.html").c_str()), 0);
  ASSERT_EQ(symlink("nothing-yet.html", tmp.at("site/new.html").c_str()), 0);
  EXPECT_EQ(replace(tmp.at("site"), "index.html", "new"), "");
  EXPECT_EQ(read_file(tmp.at("real/page.html")), "new");
  EXPECT_EQ(replace(tmp.at("site"), "new.html", "made"), "");  // dangling
  EXPECT_EQ(read_file(tmp.at("site/nothing-yet.html")), "made");
  struct stat st;
  ASSERT_EQ(lstat(tmp.at("site/index.html").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(entries_in(tmp.at("site")), 3u);
  EXPECT_EQ(entries_in(tmp.at("real")), 1u);
}

TEST(ReplacementFile, RefusesLoopsFoldersAndKeptFilesLeavingNothing) {
  scratch_folder tmp;
  ASSERT_EQ(symlink("b", tmp.at("a").c_str()), 0);
  ASSERT_EQ(symlink("a", tmp.at("b").c_str()), 0);
  ASSERT_TRUE(tmp.make_folder("dir"));
  ASSERT_TRUE(tmp.write("archive.tar", "data"));
  EXPECT_EQ(replace(tmp.path(), "a", "x"), "Too many levels of symbolic links");
  EXPECT_EQ(replace(tmp.path(), "dir", "x"), "Is a directory");

  struct stat st;
  ASSERT_EQ(stat(tmp.at("archive.tar").c_str(), &st), 0);
  std::string err;
  int dir = open(tmp.path().c_str(), O_PATH | O_DIRECTORY);
  replacement_file out;
  const std::vector<kept_file> keep = {
      {{st.st_dev, st.st_ino}, "the source archive"}};
  replace_options options;
  options.keep = &keep;
  EXPECT_FALSE(out.open(dir, tmp.path(), "archive.tar", options, &err));
  close(dir);
  EXPECT_EQ(err, "the source archive");
  EXPECT_EQ(read_file(tmp.at("archive.tar")), "data");
  EXPECT_EQ(entries_in(tmp.path()), 4u);
}

TEST(ReplacementFile, LongestNamesAndLargeWritesWork) {
  scratch_folder tmp;
  const std::string name(255, 'n');
  const std::string big(replacement_file::kBlockSize * 2 + 7, 'b');
  std::string bytes = "small,";
  EXPECT_EQ(replace(tmp.path(), name, bytes + big + "end"), "");
  EXPECT_EQ(read_file(tmp.at(name)), bytes + big + "end");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

TEST(ReplacementFile, DiscardedOrDestroyedReplacementLeavesTheOldFile) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("out.html", "old"));
  int dir = open(tmp.path().c_str(), O_PATH | O_DIRECTORY);
  std::string err;
  {
    replacement_file out;
    ASSERT_TRUE(out.open(dir, tmp.path(), "out.html", {}, &err));
    ASSERT_TRUE(out.write("new", &err));
    ASSERT_TRUE(out.finish(&err));
  }
  close(dir);
  EXPECT_EQ(read_file(tmp.at("out.html")), "old");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

}  // namespace
