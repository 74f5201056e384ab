#include "listing/file_tree.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/listing_test_util.h"

namespace {

TEST(FileTree, NamesAreCopiedAndSplitAtTheirLastInnerDot) {
  file_tree tree;
  struct Case {
    const char* whole;
    const char* name;
    const char* ext;
  } cases[] = {{"report.final.PDF", "report.final", ".PDF"},
               {".profile", ".profile", ""},
               {"README", "README", ""},
               {"trailing.", "trailing", "."},
               {"", "", ""}};
  for (const Case& c : cases) {
    std::string source = c.whole;
    file_node* n = tree.make_node(source, false);
    source.assign(source.size(), '#');  // the node holds its own copy
    EXPECT_EQ(n->full_name(), c.whole);
    n->split_extension();
    EXPECT_EQ(n->name(), c.name) << c.whole;
    EXPECT_EQ(n->ext(), c.ext) << c.whole;
    EXPECT_EQ(std::string(n->name()) + std::string(n->ext()), c.whole);
  }
}

TEST(FileTree, AdoptedLevelsBecomeChildrenInOrder) {
  file_tree tree;
  file_node* folder = tree.make_node("docs", true);
  tree.append_top(folder);
  tree.append_top(tree.make_node("z.txt", false));
  file_tree level;
  level.share_storage_of(tree);
  level.append_top(level.make_node("a", false));
  level.append_top(level.make_node("b", true));
  tree.adopt_top_level(&level, folder);
  EXPECT_EQ(level.root(), nullptr);
  EXPECT_EQ(level.count(), 0);
  EXPECT_EQ(tree_shape(tree), "docs(a,b),z.txt");
  EXPECT_EQ(link_fault(tree), "");
  tree.clear();
  EXPECT_EQ(tree_shape(tree), "");
  tree.append_top(tree.make_node("again", false));  // usable after clear
  EXPECT_EQ(tree_shape(tree), "again");
}

// The storage of a large tree: a node and its name, without per-node heap
// blocks, in well under 200 bytes.
TEST(FileTree, EntriesTakeLittleStorage) {
  file_tree tree;
  constexpr int kEntries = 100000;
  for (int i = 0; i < kEntries; ++i) {
    tree.append_top(
        tree.make_node("file " + std::to_string(i) + ".txt", false));
  }
  EXPECT_LT(tree.storage_bytes(), int64_t{kEntries} * 120);
}

}  // namespace
