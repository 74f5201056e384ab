#include "markup/long_path.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/scratch_folder.h"

namespace {

// Makes depth nested folders named level under folder; returns their path
// relative to folder ("" on failure).
std::string make_nested(const std::string& folder, const std::string& level,
                        int depth) {
  std::string path;
  const int fd = make_nested_folders(folder, level, depth, &path);
  if (fd < 0) return "";
  close(fd);
  return path.substr(folder.size() + 1);
}

// The folder at rel under root, opened level by level (-1 on failure).
int open_nested(const std::string& root, const std::string& rel) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (size_t start = 0; fd >= 0 && start < rel.size();) {
    size_t slash = rel.find('/', start);
    if (slash == std::string::npos) slash = rel.size();
    int next = openat(fd, rel.substr(start, slash - start).c_str(),
                      O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
    start = slash + 1;
  }
  return fd;
}

// The inode of the folder open as fd (which is closed), or 0.
ino_t inode_of(int fd) {
  struct stat st;
  const ino_t ino = fd >= 0 && fstat(fd, &st) == 0 ? st.st_ino : 0;
  if (fd >= 0) close(fd);
  return ino;
}

// Creates the empty file name in the folder at rel under root.
bool make_file(const std::string& root, const std::string& rel,
               const char* name) {
  const int dir = open_nested(root, rel);
  const int fd = dir < 0 ? -1 : openat(dir, name, O_CREAT | O_WRONLY, 0644);
  if (dir >= 0) close(dir);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

TEST(LongPath, FoldersPastEveryCallsLimitOpenAsTheWholePathNames) {
  scratch_folder tmp;
  const int before = open_descriptors();
  const std::string rel = make_nested(tmp.path(), std::string(200, 'p'), 45);
  ASSERT_FALSE(rel.empty());
  const std::string path = tmp.at(rel);
  ASSERT_GT(path.size(), 8000u);
  const ino_t bottom = inode_of(open_nested(tmp.path(), rel));
  ASSERT_NE(bottom, 0u);
  // Absolute, with a trailing "/", with doubled slashes at a piece's end.
  std::string doubled = path;
  doubled.replace(doubled.find('/', 4000), 1, "//");
  for (const std::string& p : {path, path + "/", doubled}) {
    EXPECT_EQ(inode_of(open_folder_path(p.data(), p.size(), O_RDONLY)), bottom)
        << p.size();
  }
  // ".." and a symbolic link inside the path resolve as the kernel does.
  const size_t ten_levels = 10 * 201 - 1;
  ASSERT_EQ(symlink(rel.substr(0, ten_levels).c_str(), tmp.at("down").c_str()),
            0);
  const std::string via = tmp.at("down") + rel.substr(ten_levels) + "/../" +
                          std::string(200, 'p');
  EXPECT_EQ(inode_of(open_folder_path(via.data(), via.size(), O_PATH)),
            bottom);
  // Only the first size bytes count.
  EXPECT_EQ(inode_of(open_folder_path(path.data(), tmp.path().size(), O_PATH)),
            inode_of(open_nested(tmp.path(), "")));
  EXPECT_EQ(open_descriptors(), before);
}

TEST(LongPath, FailuresSayWhyAndLeaveNothingOpen) {
  scratch_folder tmp;
  const int before = open_descriptors();
  const std::string rel = make_nested(tmp.path(), std::string(250, 'q'), 20);
  ASSERT_FALSE(rel.empty());
  ASSERT_TRUE(make_file(tmp.path(), rel, "file"));
  const std::string missing = tmp.at(rel) + "/gone";
  const std::string not_folder = tmp.at(rel) + "/file";
  const std::string huge_name = tmp.path() + "/" + std::string(5000, 'n');
  const struct {
    std::string path;
    int error;
  } cases[] = {{missing, ENOENT},
               {not_folder, ENOTDIR},
               {huge_name, ENAMETOOLONG},
               {tmp.at(rel.substr(0, 251)) + "/gone/" + rel, ENOENT}};
  for (const auto& c : cases) {
    errno = 0;
    EXPECT_EQ(open_folder_path(c.path.data(), c.path.size(), O_PATH), -1);
    EXPECT_EQ(errno, c.error) << c.path.size();
  }
  EXPECT_EQ(unlink_path(missing.c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(open_descriptors(), before);
}

}  // namespace
