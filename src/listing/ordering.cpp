#include "listing/ordering.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

template <typename T>
int32_t sign_of_difference(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Negative, 0 or positive as a sorts before, with or after b, comparing
// unsigned bytes.
int32_t byte_order(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Collects the list that starts at first into *nodes (cleared first).
void collect(file_node* first, std::vector<file_node*>* nodes) {
  nodes->clear();
  for (file_node* n = first; n; n = n->next_sibling) nodes->push_back(n);
}

// Calls visit(first) for the top-level list, then for every child list in
// pre-order, each before the walk reaches its own nodes.
template <typename Visit>
void for_each_sibling_list(file_tree* tree, Visit visit) {
  if (!tree->root()) return;
  visit(tree->root());
  for (file_node* n = tree->root(); n; n = file_tree::next_preorder(n)) {
    if (n->first_child) visit(n->first_child);
  }
}

}  // namespace

int32_t compare_file_nodes(const file_node* a, const file_node* b,
                           int32_t sort_key) {
  if (a->is_folder != b->is_folder) return b->is_folder - a->is_folder;
  switch (sort_key) {
    case kSortByName:
      return byte_order(a->name(), b->name());
    case kSortByExtension:
      return byte_order(a->ext(), b->ext());
    case kSortBySize:
      return sign_of_difference(a->size, b->size);
    case kSortByTime:
      return sign_of_difference(a->time, b->time);
    default:
      return 0;
  }
}

int32_t file_tree::compare_nodes(const file_node* a, const file_node* b) const {
  return compare_file_nodes(a, b, sort_key.as_int());
}

void sort_siblings(file_tree* tree) {
  std::vector<file_node*> nodes;
  auto before = [tree](const file_node* a, const file_node* b) {
    return tree->compare_nodes(a, b) < 0;
  };
  for_each_sibling_list(tree, [&](file_node* first) {
    if (!first->next_sibling) return;
    collect(first, &nodes);
    std::stable_sort(nodes.begin(), nodes.end(), before);
    tree->reorder_children(first->parent, nodes);
  });
}

void reverse_siblings(file_tree* tree) {
  std::vector<file_node*> nodes;
  for_each_sibling_list(tree, [&](file_node* first) {
    if (!first->next_sibling) return;
    collect(first, &nodes);
    std::reverse(nodes.begin(), nodes.end());
    tree->reorder_children(first->parent, nodes);
  });
}

void order_tree(file_tree* tree, const variant& order_files,
                const variant& sort_order) {
  const int32_t order = order_files.as_int();
  if (order == kUnsorted) return;
  tree->sort_key = variant(order - 1);  // see file_sort_key
  sort_siblings(tree);
  if (sort_order.as_int() != 0) reverse_siblings(tree);
}
