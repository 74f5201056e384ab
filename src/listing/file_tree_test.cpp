#include "listing/file_tree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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
               {"", "", ""},
               {"x", "x", ""}};
  std::vector<file_node*> made;
  for (const Case& c : cases) {
    std::string source = c.whole;
    file_node* n = tree.make_node(source, false);
    source.assign(source.size(), '#');  // the node holds its own copy
    EXPECT_EQ(n->full_name(), c.whole);
    n->split_extension();
    EXPECT_EQ(n->name(), c.name) << c.whole;
    EXPECT_EQ(n->ext(), c.ext) << c.whole;
    EXPECT_EQ(std::string(n->name()) + std::string(n->ext()), c.whole);
    made.push_back(n);
  }
  // Names larger than a block of storage, between short ones, and many
  // short ones after: every node stays aligned and keeps its own name.
  const std::string huge(3 << 20, 'h'), big(5000, 'b');
  file_node* huge_node = tree.make_node(huge, false);
  file_node* big_node = tree.make_node(big, true);
  for (int i = 0; i < 50000; ++i) tree.make_node(std::to_string(i), false);
  EXPECT_EQ(huge_node->full_name(), huge);
  EXPECT_EQ(big_node->full_name(), big);
  EXPECT_EQ(big_node->is_folder, 1);
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(made[i]->full_name(), cases[i].whole);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(made[i]) % alignof(file_node), 0u);
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

// The storage of a large tree: a node with its name behind it, without
// per-node heap blocks, in under 80 bytes for a short name.
TEST(FileTree, EntriesTakeLittleStorage) {
  file_tree tree;
  constexpr int kEntries = 100000;
  for (int i = 0; i < kEntries; ++i) {
    tree.append_top(
        tree.make_node("file " + std::to_string(i) + ".txt", false));
  }
  EXPECT_LT(tree.storage_bytes(), int64_t{kEntries} * 80);
}

}  // namespace
