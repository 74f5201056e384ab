#include "listing/listing_place.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "listing/listing_test_util.h"
#include "support/scratch_folder.h"

namespace {

TEST(ListingPlace, RelativePathsBetweenFolders) {
  EXPECT_EQ(relative_folder_path("/a/b", "/a/b"), "");
  EXPECT_EQ(relative_folder_path("/a", "/a/b/c"), "b/c/");
  EXPECT_EQ(relative_folder_path("/a/b/c", "/a"), "../../");
  EXPECT_EQ(relative_folder_path("/tmp", "/home/u/docs"), "../home/u/docs/");
  EXPECT_EQ(relative_folder_path("/", "/srv"), "srv/");
  EXPECT_EQ(relative_folder_path("/ab", "/a"), "../a/");
  EXPECT_EQ(absolute_folder("/a/./b//../c/"), "/a/c");
  EXPECT_EQ(absolute_folder("/.."), "/");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(absolute_folder(""), absolute_folder(cwd));
  EXPECT_EQ(absolute_folder("x/.."), absolute_folder(cwd));
  EXPECT_EQ(last_component("/home/u/docs"), "docs");
  EXPECT_EQ(last_component("/"), "/");
}

class Readme : public ::testing::Test {
 protected:
  void list(const char* name) {
    tree_.append_top(new_node(&tree_, name, 0, 1, 0));
  }
  bool read() {
    const int fd = open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
    const bool ok = read_readme(tree_, fd, &name_, &text_);
    close(fd);
    return ok;
  }
  scratch_folder dir_;
  file_tree tree_;
  std::string name_, text_;
};

TEST_F(Readme, FirstListedOfTheThreeNamesIsRead) {
  ASSERT_TRUE(dir_.write("README.md", "# md"));
  ASSERT_TRUE(dir_.write("README.txt", "txt"));
  EXPECT_FALSE(read());  // present but not listed (filtered away)
  list("README.md");
  ASSERT_TRUE(read());
  EXPECT_EQ(name_, "README.md");
  EXPECT_EQ(text_, "# md");
  list("README.txt");
  ASSERT_TRUE(read());
  EXPECT_EQ(name_, "README.txt");
}

TEST_F(Readme, OnlyRegularFilesAndCutAtACharacterBoundary) {
  ASSERT_TRUE(dir_.make_folder("README"));
  ASSERT_EQ(symlink("/etc/passwd", dir_.at("README.txt").c_str()), 0);
  list("README");
  list("README.txt");
  EXPECT_FALSE(read());
  // "é" (two bytes) straddles the limit: it goes whole.
  ASSERT_TRUE(dir_.write("README.md",
                         std::string(kMaxReadmeBytes - 1, 'a') + "\xC3\xA9z"));
  list("README.md");
  ASSERT_TRUE(read());
  EXPECT_EQ(text_, std::string(kMaxReadmeBytes - 1, 'a'));
}

}  // namespace
