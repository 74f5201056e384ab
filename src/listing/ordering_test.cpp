#include "listing/ordering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "listing/listing_test_util.h"

namespace {

// Top-level files from "name.ext" texts; a trailing "/" makes a folder.
void add_entries(file_tree* tree, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    bool folder = !entry.empty() && entry.back() == '/';
    std::string name = folder ? entry.substr(0, entry.size() - 1) : entry;
    size_t dot = name.rfind('.');
    std::string ext;
    if (!folder && dot != std::string::npos && dot > 0) {
      ext = name.substr(dot);
      name.resize(dot);
    }
    tree->append_top(
        new_node(tree, name.c_str(), folder ? 1 : 0, 0, 0, ext.c_str()));
  }
}

std::string ordered(const std::vector<std::string>& entries, int order_files,
                    int sort_order) {
  file_tree tree;
  add_entries(&tree, entries);
  order_tree(&tree, variant(order_files), variant(sort_order));
  EXPECT_EQ(link_fault(tree), "");
  return tree_shape(tree);
}

TEST(Ordering, NameAndExtensionOrdersAreByteWiseAndStable) {
  struct Case {
    std::vector<std::string> entries;
    int order_files, sort_order;
    const char* want;
  } cases[] = {
      {{"c.txt", "a.txt", "B.txt"}, 1, 0, "B.txt,a.txt,c.txt"},
      {{"x.doc", "x.txt"}, 1, 0, "x.doc,x.txt"},
      {{"x.txt", "x.doc"}, 1, 0, "x.txt,x.doc"},
      {{"x.doc", "x.txt"}, 1, 1, "x.txt,x.doc"},
      {{"ab", "a", "", "\xe9", "b"}, 1, 0, ",a,ab,b,\xe9"},
      {{"b.txt", "README", "a.c", "sub/"}, 2, 0, "sub,README,a.c,b.txt"},
      {{"b.txt", "README", "a.c", "sub/"}, 2, 1, "b.txt,a.c,README,sub"},
      {{"b", "z/", "a", "y/"}, 0, 1, "b,z,a,y"},  // unsorted ignores descending
      {{"b", "z/", "a", "y/"}, 9, 0, "z,y,b,a"},  // unknown key: folders first
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ordered(c.entries, c.order_files, c.sort_order), c.want)
        << "order " << c.order_files << " direction " << c.sort_order;
  }
}

TEST(Ordering, SizeAndTimeCompareByValueWithoutOverflow) {
  file_tree tree;
  tree.append_top(new_node(&tree, "big", 0, 3221225472, INT64_MAX));
  tree.append_top(new_node(&tree, "dir", 1, 0, 0));
  tree.append_top(new_node(&tree, "small", 0, 100, INT64_MIN));
  tree.append_top(new_node(&tree, "mid", 0, 2147483647, -1));
  tree.append_top(new_node(&tree, "same", 0, 100, -1));
  order_tree(&tree, variant(3), variant(0));
  EXPECT_EQ(tree_shape(tree), "dir,small,same,mid,big");
  order_tree(&tree, variant(3), variant(1));
  EXPECT_EQ(tree_shape(tree), "big,mid,same,small,dir");
  order_tree(&tree, variant(4), variant(0));
  EXPECT_EQ(tree_shape(tree), "dir,small,mid,same,big");
  order_tree(&tree, variant(4), variant(1));
  EXPECT_EQ(tree_shape(tree), "big,same,mid,small,dir");
  EXPECT_EQ(link_fault(tree), "");
}

TEST(Ordering, EachFolderIsOrderedOnItsOwn) {
  // b(z, y(q, p), x), a(w), c
  file_tree tree;
  file_node* b = new_node(&tree, "b", 1, 0, 9);
  tree.append_top(b);
  tree.append_child(new_node(&tree, "z", 0, 0, 3), b);
  file_node* y = new_node(&tree, "y", 1, 0, 1);
  tree.append_child(y, b);
  tree.append_child(new_node(&tree, "q", 0, 0, 8), y);
  tree.append_child(new_node(&tree, "p", 0, 0, 7), y);
  tree.append_child(new_node(&tree, "x", 0, 0, 2), b);
  file_node* a = new_node(&tree, "a", 1, 0, 5);
  tree.append_top(a);
  tree.append_child(new_node(&tree, "w", 0, 0, 1), a);
  tree.append_top(new_node(&tree, "c", 0, 0, 0));
  order_tree(&tree, variant(4), variant(0));
  EXPECT_EQ(tree_shape(tree), "a(w),b(y(p,q),x,z),c");
  order_tree(&tree, variant(1), variant(1));
  EXPECT_EQ(tree_shape(tree), "c,b(z,x,y(q,p)),a(w)");
  EXPECT_EQ(link_fault(tree), "");
}

// Node identities (kept in attributes) of the top-level list.
std::vector<uint32_t> ids(const file_tree& tree) {
  std::vector<uint32_t> out;
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    out.push_back(n->attributes);
  }
  return out;
}

// The reference: each node, taken from the back, is inserted before the
// first node of the result that it does not follow.
std::vector<uint32_t> insertion_sorted(const file_tree& tree) {
  std::vector<const file_node*> given, result;
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    given.push_back(n);
  }
  for (auto it = given.rbegin(); it != given.rend(); ++it) {
    const file_node* x = *it;
    auto at = result.begin();
    while (at != result.end() && tree.compare_nodes(x, *at) > 0) ++at;
    result.insert(at, x);
  }
  std::vector<uint32_t> out;
  for (const file_node* n : result) out.push_back(n->attributes);
  return out;
}

// 300 nodes with few distinct names, extensions, sizes and times: many ties.
void fill_random(file_tree* tree, std::mt19937* rng) {
  for (uint32_t i = 0; i < 300; ++i) {
    int v = static_cast<int>((*rng)() % 7);
    std::string name(1, static_cast<char>('a' + (*rng)() % 4));
    file_node* n = new_node(tree, name.c_str(), (*rng)() % 5 == 0, v, v - 3,
                            (*rng)() % 2 ? ".a" : ".B");
    n->attributes = i;
    tree->append_top(n);
  }
}

TEST(Ordering, SortMatchesInsertionSortAndReverseMirrorsIt) {
  std::mt19937 rng(20240601);
  for (int key = 0; key < 4; ++key) {
    file_tree tree;
    fill_random(&tree, &rng);
    tree.sort_key = variant(key);
    std::vector<uint32_t> want = insertion_sorted(tree);
    sort_siblings(&tree);
    EXPECT_EQ(ids(tree), want) << "key " << key;
    reverse_siblings(&tree);
    std::vector<uint32_t> mirrored = ids(tree);
    std::reverse(mirrored.begin(), mirrored.end());
    EXPECT_EQ(mirrored, want) << "key " << key;
    EXPECT_EQ(link_fault(tree), "");
  }
}

TEST(Ordering, DeepTreesDoNotRecurse) {
  file_tree tree;
  file_node* parent = new_node(&tree, "d0", 1);
  tree.append_top(parent);
  for (int i = 1; i < 200000; ++i) {
    tree.append_child(new_node(&tree, "f", 0, i % 3), parent);
    file_node* child = new_node(&tree, "d", 1);
    tree.append_child(child, parent);
    parent = child;
  }
  order_tree(&tree, variant(3), variant(1));
  const file_node* first = tree.root()->first_child;
  EXPECT_EQ(first->is_folder, 0);  // descending: files before folders
  EXPECT_EQ(first->next_sibling->parent, tree.root());
}

}  // namespace
