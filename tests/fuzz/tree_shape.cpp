#include "tree_shape.h"

#include <cstdint>

#include "fuzz_util.h"

std::string fuzz_tree_shape(const file_tree& tree) {
  std::string s;
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    int depth = 0;
    for (const file_node* p = n->parent; p; p = p->parent) ++depth;
    s.append(std::to_string(depth)).push_back(n->is_folder ? 'D' : 'F');
    s.append(n->full_name()).push_back('|');
    s.append(std::to_string(n->size)).push_back('|');
    s.append(std::to_string(n->time)).push_back('\n');
  }
  return s;
}

void fuzz_check_links(const file_tree& tree) {
  int64_t top = 0;
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    FUZZ_CHECK(n->parent == nullptr, "a top-level node has a parent");
    ++top;
  }
  FUZZ_CHECK(top == tree.count(), "top-level count is wrong");
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    int32_t children = 0;
    for (const file_node* c = n->first_child; c; c = c->next_sibling) {
      FUZZ_CHECK(c->parent == n, "a child does not point to its folder");
      ++children;
    }
    FUZZ_CHECK(children == n->child_count, "child count is wrong");
    FUZZ_CHECK(n->child_count == 0 || n->is_folder, "a file has children");
  }
}
