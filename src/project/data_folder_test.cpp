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

TEST(WorkingFolder, InstalledProgramFindsItsDataAndManualUnderItsPrefix) {
  scratch_folder cwd_dir, prefix_dir;
  const std::string cwd = cwd_dir.path() + "/";
  const std::string prefix = prefix_dir.path();
  std::filesystem::create_directories(prefix + "/bin");
  const std::string bin = prefix + "/bin/";
  EXPECT_EQ(find_working_folder(cwd, bin), cwd);
  EXPECT_EQ(find_manual(cwd, bin), cwd + "help.html");
  std::filesystem::create_directories(prefix + "/share/dirgen/kvdata");
  std::filesystem::create_directories(prefix + "/share/doc/dirgen");
  write_file(prefix + "/share/doc/dirgen/help.html", "manual");
  const std::string data = find_working_folder(cwd, bin);
  EXPECT_EQ(data, prefix + "/share/dirgen/");
  EXPECT_EQ(find_working_folder(cwd, prefix + "/bin"), data);
  EXPECT_EQ(find_manual(data, bin), prefix + "/share/doc/dirgen/help.html");
  // A kvdata folder or manual of the current folder still comes first.
  std::filesystem::create_directory(cwd + "kvdata");
  write_file(cwd + "help.html", "local");
  EXPECT_EQ(find_working_folder(cwd, bin), cwd);
  EXPECT_EQ(find_manual(cwd, bin), cwd + "help.html");
}

TEST(WorkingFolder, AtStartEndsInSlash) {
  const std::string folder = working_folder_at_start();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
