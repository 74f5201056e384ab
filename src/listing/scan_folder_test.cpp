#include "listing/scan_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "listing/listing_test_util.h"
#include "support/scratch_folder.h"

namespace {

// Names of the top-level list of *tree, in order.
std::vector<std::string> top_names(const file_tree& tree) {
  std::vector<std::string> out;
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    out.push_back(std::string(n->full_name()));
  }
  return out;
}

const file_node* find_top(const file_tree& tree, const char* name) {
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    if (n->full_name() == name) return n;
  }
  return nullptr;
}

TEST(ScanFolder, ListsFoldersFirstThenFilesInByteOrderOfTheirNames) {
  scratch_folder tmp;
  for (const char* f : {"b.txt", "a.txt", ".hidden", "z", "m.doc"}) {
    ASSERT_TRUE(tmp.write(f));
  }
  for (const char* d : {"Sub", "aa", "Zed"}) ASSERT_TRUE(tmp.make_folder(d));
  file_tree tree;
  EXPECT_TRUE(scan_folder(variant(tmp.path()), &tree, nullptr, variant("*")));
  const std::vector<std::string> want = {"Sub",   "Zed",   "aa",    ".hidden",
                                         "a.txt", "b.txt", "m.doc", "z"};
  EXPECT_EQ(top_names(tree), want);
  EXPECT_EQ(tree.count(), 8);
  EXPECT_EQ(link_fault(tree), "");
  EXPECT_EQ(find_top(tree, "Sub")->is_folder, 1);
  EXPECT_EQ(find_top(tree, "z")->is_folder, 0);
}

TEST(ScanFolder, RecordsSizeAndSixtyFourBitTime) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("five", "12345"));
  ASSERT_TRUE(tmp.write("big"));
  if (truncate(tmp.at("big").c_str(), 3221225472LL) != 0) {
    GTEST_SKIP() << "no sparse 3 GB file here";
  }
  // 2100-01-01: past the 32-bit limit.
  struct timespec times[2] = {{4102444800, 0}, {4102444800, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, tmp.at("five").c_str(), times, 0), 0);
  file_tree tree;
  ASSERT_TRUE(scan_folder(variant(tmp.path()), &tree, nullptr, variant("*")));
  const file_node* five = find_top(tree, "five");
  EXPECT_EQ(five->size, 5);
  EXPECT_EQ(five->time, 4102444800);
  EXPECT_TRUE(S_ISREG(five->attributes));
  const file_node* big = find_top(tree, "big");
  EXPECT_EQ(big->size, 3221225472);
}

TEST(ScanFolder, AppendsUnderParentAndFiltersByPattern) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.make_folder("docs"));
  ASSERT_TRUE(tmp.make_folder("docs/inner.TXT"));
  ASSERT_TRUE(tmp.write("docs/a.txt"));
  ASSERT_TRUE(tmp.write("docs/b.doc"));
  file_tree tree;
  ASSERT_TRUE(scan_folder(variant(tmp.path()), &tree, nullptr, variant("")));
  file_node* docs = tree.root();
  EXPECT_TRUE(
      scan_folder(variant(tmp.at("docs")), &tree, docs, variant("*.txt")));
  EXPECT_EQ(tree_shape(tree), "docs(inner.TXT,a.txt)");
  EXPECT_EQ(link_fault(tree), "");
  EXPECT_FALSE(
      scan_folder(variant(tmp.at("docs")), &tree, docs, variant("*.none")));
}

TEST(ScanFolder, IgnoresParentWhenTreeIsEmpty) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("x"));
  file_node stray;
  file_tree tree;
  ASSERT_TRUE(scan_folder(variant(tmp.path()), &tree, &stray, variant("*")));
  EXPECT_EQ(tree_shape(tree), "x");
  EXPECT_EQ(stray.first_child, nullptr);
}

TEST(ScanFolder, FlagsLinksAndDescribesTheirTargets) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.make_folder("real"));
  ASSERT_TRUE(tmp.write("data", "abc"));
  ASSERT_EQ(symlink("real", tmp.at("to_folder").c_str()), 0);
  ASSERT_EQ(symlink("data", tmp.at("to_file").c_str()), 0);
  ASSERT_EQ(symlink("missing", tmp.at("dangling").c_str()), 0);
  ASSERT_EQ(symlink(".", tmp.at("loop").c_str()), 0);
  file_tree tree;
  ASSERT_TRUE(scan_folder(variant(tmp.path()), &tree, nullptr, variant("*")));
  struct Case {
    const char* name;
    int32_t is_folder, is_link, size;
  } cases[] = {
      {"real", 1, 0, 0},    {"data", 0, 0, 3}, {"to_folder", 1, 1, 0},
      {"to_file", 0, 1, 3}, {"loop", 1, 1, 0}, {"dangling", 0, 1, 7},
  };
  for (const Case& c : cases) {
    const file_node* n = find_top(tree, c.name);
    ASSERT_NE(n, nullptr) << c.name;
    EXPECT_EQ(n->is_folder, c.is_folder) << c.name;
    EXPECT_EQ(n->is_link, c.is_link) << c.name;
    EXPECT_EQ(n->size, c.size) << c.name;  // dangling: link text
  }
}

TEST(ScanFolder, EmptyMissingOrNonFolderPathGivesFalseAndNoNodes) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.make_folder("empty"));
  ASSERT_TRUE(tmp.write("file"));
  for (const std::string& path :
       {tmp.at("empty"), tmp.at("missing"), tmp.at("file"), std::string()}) {
    file_tree tree;
    EXPECT_FALSE(scan_folder(variant(path), &tree, nullptr, variant("*")))
        << path;
    EXPECT_EQ(tree.root(), nullptr) << path;
  }
}

TEST(ScanFolder, DoesNotChangeTheCurrentDirectory) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("x"));
  char before[4096], after[4096];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);
  file_tree tree;
  ASSERT_TRUE(scan_folder(variant(tmp.path()), &tree, nullptr, variant("*")));
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(before, after);
}

// Runs in a child process; as root it first drops to "nobody" so that the
// folder's permissions apply.
int scan_locked_folder(const std::string& path) {
  if (geteuid() == 0 && setuid(65534) != 0) return 2;
  file_tree tree;
  bool found = scan_folder(variant(path), &tree, nullptr, variant("*"));
  return found || tree.root() ? 1 : 0;
}

TEST(ScanFolderDeathTest, UnreadableFolderGivesFalseAndNoNodes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  scratch_folder tmp;
  ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
  ASSERT_TRUE(tmp.make_folder("locked"));
  ASSERT_TRUE(tmp.write("locked/secret"));
  ASSERT_EQ(chmod(tmp.at("locked").c_str(), 0), 0);
  EXPECT_EXIT(exit(scan_locked_folder(tmp.at("locked"))),
              testing::ExitedWithCode(0), "");
}

}  // namespace

// In a child as "nobody": a folder that can be read but not searched lists
// its names, yet none can be examined; each is reported, none is listed
// with made-up details.
int scan_unsearchable_folder(const std::string& path) {
  if (geteuid() == 0 && setuid(65534) != 0) return 2;
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return 3;
  std::vector<std::string> reported;
  file_tree tree;
  int64_t listed = -1;
  int error = 0;
  bool read = scan_folder_at(
      fd, &tree, nullptr, "*",
      [&](std::string_view name, int e) {
        reported.push_back(std::string(name) + ":" + std::to_string(e));
      },
      &listed, &error);
  close(fd);
  std::sort(reported.begin(), reported.end());
  const std::vector<std::string> want = {"a.txt:" + std::to_string(EACCES),
                                         "b:" + std::to_string(EACCES)};
  return read && listed == 0 && !tree.root() && reported == want ? 0 : 1;
}

TEST(ScanFolderDeathTest, EntriesThatCannotBeExaminedAreReportedNotListed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  scratch_folder tmp;
  ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
  ASSERT_TRUE(tmp.make_folder("names_only"));
  ASSERT_TRUE(tmp.write("names_only/a.txt"));
  ASSERT_TRUE(tmp.make_folder("names_only/b"));
  ASSERT_EQ(chmod(tmp.at("names_only").c_str(), 0444), 0);
  EXPECT_EXIT(exit(scan_unsearchable_folder(tmp.at("names_only"))),
              testing::ExitedWithCode(0), "");
}
