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

TEST(AtomicWrite, ReplacesWholeFilesAndLeavesNoTemporaryFile) {
  scratch_folder dir;
  std::string err;
  ASSERT_TRUE(write_file_atomically(dir.at("a"), "first", 0600, &err)) << err;
  ASSERT_TRUE(write_file_atomically(dir.at("a"), "second", 0640, &err)) << err;
  EXPECT_EQ(dir.read("a"), "second");
  struct stat st;
  ASSERT_EQ(stat(dir.at("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // A link at the path is replaced by the file, its target left alone.
  ASSERT_TRUE(dir.write("target", "kept"));
  ASSERT_EQ(symlink("target", dir.at("link").c_str()), 0);
  ASSERT_TRUE(write_file_atomically(dir.at("link"), "new", 0644, &err));
  EXPECT_EQ(dir.read("target"), "kept");
  EXPECT_EQ(dir.read("link"), "new");
  EXPECT_EQ(entries_in(dir.path()), 3);
}

TEST(AtomicWrite, FailureNamesTheFileAndTheReasonAndKeepsTheOldFile) {
  scratch_folder dir;
  std::string err;
  EXPECT_FALSE(write_file_atomically(dir.at("none/a"), "x", 0644, &err));
  EXPECT_NE(err.find(dir.at("none")), std::string::npos) << err;
  EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
  // A folder cannot be replaced by a file.
  ASSERT_TRUE(dir.make_folder("sub"));
  ASSERT_TRUE(dir.write("sub/inside", "old"));
  EXPECT_FALSE(write_file_atomically(dir.at("sub"), "x", 0644, &err));
  EXPECT_EQ(dir.read("sub/inside"), "old");
  EXPECT_EQ(entries_in(dir.path()), 1);
}

TEST(ReplacementMode, ExistingBitsOrTheUmasksDefault) {
  scratch_folder dir;
  ASSERT_TRUE(dir.write("f", "", 0604));
  EXPECT_EQ(replacement_mode(dir.at("f")), 0604u);
  mode_t old = umask(027);
  EXPECT_EQ(replacement_mode(dir.at("new")), 0640u);
  umask(old);
}

TEST(ExecutableFolder, HoldsTheRunningProgram) {
  std::string folder = executable_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "markup_test"));
}

}  // namespace
