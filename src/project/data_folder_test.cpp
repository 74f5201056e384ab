#include "project/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/scratch_folder.h"

namespace {

TEST(WorkingFolder, PrefersCurrentFolderThenExecutableFolder) {
  scratch_folder cwd_dir, exe_dir;
  const std::string cwd = cwd_dir.path();
  const std::string exe = exe_dir.path();
  // Neither has kvdata: the current folder, with a trailing "/".
  EXPECT_EQ(find_working_folder(cwd, exe), cwd + "/");
  EXPECT_EQ(find_working_folder(cwd + "/", ""), cwd + "/");
  // A plain file named kvdata does not count.
  write_file(exe + "/kvdata", "x");
  EXPECT_EQ(find_working_folder(cwd, exe), cwd + "/");
  std::filesystem::remove(exe + "/kvdata");
  // Only the executable's folder has kvdata.
  std::filesystem::create_directory(exe + "/kvdata");
  EXPECT_EQ(find_working_folder(cwd, exe), exe + "/");
  EXPECT_EQ(find_working_folder(cwd, exe + "/"), exe + "/");
  // Both have it: the current folder wins.
  std::filesystem::create_directory(cwd + "/kvdata");
  EXPECT_EQ(find_working_folder(cwd, exe), cwd + "/");
}

TEST(WorkingFolder, AtStartEndsInSlash) {
  const std::string folder = working_folder_at_start();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
