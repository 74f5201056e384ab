#include "markup/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

int entries_in(const std::string& folder) {
  return static_cast<int>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

mode_t mode_of(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(AtomicWrite, ReplacesWholeFilesAndLeavesNoTemporaryFile) {
  scratch_folder dir;
  std::string err;
  const replace_options keep_mode;
  ASSERT_TRUE(write_file_atomically(dir.at("a"), "first", keep_mode, &err))
      << err;
  mode_t old = umask(027);
  ASSERT_TRUE(write_file_atomically(dir.at("new"), "", keep_mode, &err));
  umask(old);
  EXPECT_EQ(mode_of(dir.at("new")), 0640u);  // as open(2) makes it
  ASSERT_EQ(chmod(dir.at("a").c_str(), 0604), 0);
  ASSERT_TRUE(write_file_atomically(dir.at("a"), "second", keep_mode, &err));
  EXPECT_EQ(dir.read("a"), "second");
  EXPECT_EQ(mode_of(dir.at("a")), 0604u);  // the old file's bits
  replace_options fixed;
  fixed.mode = 0640;
  ASSERT_TRUE(write_file_atomically(dir.at("a"), "third", fixed, &err));
  EXPECT_EQ(mode_of(dir.at("a")), 0640u);
  EXPECT_EQ(entries_in(dir.path()), 2);
}

TEST(AtomicWrite, FollowsALinkOrReplacesItAsAsked) {
  scratch_folder dir;
  std::string err;
  ASSERT_TRUE(dir.make_folder("dotfiles"));
  ASSERT_TRUE(dir.write("dotfiles/settings", "old"));
  ASSERT_EQ(symlink("dotfiles/settings", dir.at("link").c_str()), 0);
  // By default the file the link names is replaced and the link still
  // leads to it.
  ASSERT_TRUE(write_file_atomically(dir.at("link"), "new", {}, &err)) << err;
  EXPECT_EQ(dir.read("dotfiles/settings"), "new");
  struct stat st;
  ASSERT_EQ(lstat(dir.at("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(entries_in(dir.at("dotfiles")), 1);
  // Without following, the link itself becomes the file.
  replace_options own_path;
  own_path.follow_links = false;
  ASSERT_TRUE(write_file_atomically(dir.at("link"), "own", own_path, &err));
  EXPECT_EQ(dir.read("dotfiles/settings"), "new");
  ASSERT_EQ(lstat(dir.at("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(dir.read("link"), "own");
  EXPECT_EQ(entries_in(dir.path()), 2);
}

TEST(AtomicWrite, FailureNamesTheFileAndTheReasonAndKeepsTheOldFile) {
  scratch_folder dir;
  std::string err;
  EXPECT_FALSE(write_file_atomically(dir.at("none/a"), "x", {}, &err));
  EXPECT_NE(err.find(dir.at("none")), std::string::npos) << err;
  EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
  // A folder cannot be replaced by a file.
  ASSERT_TRUE(dir.make_folder("sub"));
  ASSERT_TRUE(dir.write("sub/inside", "old"));
  EXPECT_FALSE(write_file_atomically(dir.at("sub"), "x", {}, &err));
  EXPECT_EQ(dir.read("sub/inside"), "old");
  EXPECT_EQ(entries_in(dir.path()), 1);
}

TEST(ExecutableFolder, HoldsTheRunningProgram) {
  std::string folder = executable_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "markup_test"));
}

}  // namespace
