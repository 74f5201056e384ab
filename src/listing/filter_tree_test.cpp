#include "listing/filter_tree.h"

#include <gtest/gtest.h>

#include "listing/listing_test_util.h"

namespace {

compiled_masks masks_of(const char* mask) {
  value_list list;
  compile_masks(variant(mask), &list);
  return compiled_masks(list);
}

// Masks that keep every file and folder unless a test narrows them.
struct filter_fixture {
  compiled_masks all = masks_of("*");
  compiled_masks none;
  filter_options opt;
  filter_fixture() {
    opt.file_include = &all;
    opt.file_skip = &none;
    opt.folder_include = &all;
    opt.folder_skip = &none;
  }
};

// Files named by their index, one per value, at the top level.
void add_files(file_tree* tree, int count, void (*set)(file_node*, int index)) {
  for (int i = 0; i < count; ++i) {
    file_node* node = new_node(tree, std::to_string(i).c_str(), 0);
    set(node, i);
    tree->append_top(node);
  }
}

TEST(FilterTree, TimeWindowIsInclusiveAndSixtyFourBit) {
  // 4102444800 is 2100-01-01: beyond a 32-bit time.
  static const int64_t times[] = {4102444799, 4102444800, 4102444900,
                                  4102445000, 4102445001, 100};
  file_tree tree;
  add_files(&tree, 6, [](file_node* n, int i) { n->time = times[i]; });
  tree.append_top(new_node(&tree, "old_folder", 1, 0, 5));
  filter_fixture f;
  f.opt.set_time_window(variant("1"), variant("4102444800"),
                        variant("4102445000"));
  filter_tree(&tree, f.opt);
  EXPECT_EQ(tree_shape(tree), "1,2,3,old_folder");
  EXPECT_EQ(link_fault(tree), "");
}

TEST(FilterTree, TimeWindowOfOneInstantKeepsExactlyThatTime) {
  file_tree tree;
  add_files(&tree, 3, [](file_node* n, int i) { n->time = 1000 + i; });
  filter_fixture f;
  f.opt.set_time_window(variant(1), variant(1001), variant(1001));
  filter_tree(&tree, f.opt);
  EXPECT_EQ(tree_shape(tree), "1");
}

TEST(FilterTree, SizeWindowIsInclusiveForIntegerRealAndTextBounds) {
  struct Case {
    variant start, end;
    const char* want;
  } cases[] = {
      {variant(0), variant(1048576), "0,1,4"},
      {variant("0"), variant("1048576"), "0,1,4"},
      {variant(1048577), variant(3221225472.0), "2,3"},
      {variant("3221225472"), variant("3221225472"), "3"},
      {variant(0), variant("3221225472"), "0,1,2,3,4"},
      {variant(3221225473.0), variant(1e12), ""},
  };
  for (const Case& c : cases) {
    file_tree tree;
    static const int64_t sizes[] = {1048576, 100, 1048577, 3221225472, 0};
    add_files(&tree, 5, [](file_node* n, int i) { n->size = sizes[i]; });
    filter_fixture f;
    f.opt.set_size_window(variant(1), c.start, c.end);
    filter_tree(&tree, f.opt);
    EXPECT_EQ(tree_shape(tree), c.want)
        << "window " << c.start.str() << ".." << c.end.str();
  }
}

TEST(FilterTree, WindowsAreOffUnlessTheirFlagIsSet) {
  file_tree tree;
  add_files(&tree, 2, [](file_node* n, int i) {
    n->size = i * 5000;
    n->time = i * 5000;
  });
  filter_fixture f;
  f.opt.set_time_window(variant("0"), variant(1), variant(2));
  f.opt.set_size_window(variant(0), variant(1), variant(2));
  filter_tree(&tree, f.opt);
  EXPECT_EQ(tree_shape(tree), "0,1");
}

// A(a.txt, Skip(deep(b.txt)), c.doc), B(d.TXT), e.txt
void fill_nested(file_tree* tree) {
  file_node* a = new_node(tree, "A", 1);
  tree->append_top(a);
  tree->append_child(new_node(tree, "a.txt", 0), a);
  file_node* skip = new_node(tree, "Skip", 1);
  tree->append_child(skip, a);
  file_node* deep = new_node(tree, "deep", 1);
  tree->append_child(deep, skip);
  tree->append_child(new_node(tree, "b.txt", 0), deep);
  tree->append_child(new_node(tree, "c.doc", 0), a);
  file_node* b = new_node(tree, "B", 1);
  tree->append_top(b);
  tree->append_child(new_node(tree, "d.TXT", 0), b);
  tree->append_top(new_node(tree, "e.txt", 0));
}

TEST(FilterTree, PrunesFoldersWithTheirSubtreesAndMatchesBareNames) {
  struct Case {
    const char* files;
    const char* skip_files;
    const char* folders;
    const char* skip_folders;
    const char* want;
  } cases[] = {
      {"*", "", "*", "", "A(a.txt,Skip(deep(b.txt)),c.doc),B(d.TXT),e.txt"},
      {"*.txt", "", "*", "skip", "A(a.txt),B(d.TXT),e.txt"},
      {"*", "*.doc;e*", "a;skip;deep", "", "A(a.txt,Skip(deep(b.txt)))"},
      {"*", "", "*", "a;b", "e.txt"},
      {"", "", "*", "", "A(Skip(deep)),B"},  // empty include: no files
      {"*", "", "", "", "e.txt"},            // ...or no folders
      {"*", "*", "*", "*", ""},
      // First, middle and last siblings go, each list keeping the rest.
      {"*", "a*;c*;d*", "*", "", "A(Skip(deep(b.txt))),B,e.txt"},
      {"*", "", "*", "skip;b", "A(a.txt,c.doc),e.txt"},
  };
  for (const Case& c : cases) {
    file_tree tree;
    fill_nested(&tree);
    compiled_masks files = masks_of(c.files), skip = masks_of(c.skip_files),
                   folders = masks_of(c.folders),
                   skip_folders = masks_of(c.skip_folders);
    filter_options opt;
    opt.file_include = &files;
    opt.file_skip = &skip;
    opt.folder_include = &folders;
    opt.folder_skip = &skip_folders;
    filter_tree(&tree, opt);
    EXPECT_EQ(tree_shape(tree), c.want)
        << c.files << " | " << c.skip_files << " | " << c.folders << " | "
        << c.skip_folders;
    EXPECT_EQ(link_fault(tree), "");
  }
}

}  // namespace
