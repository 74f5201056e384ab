#include "listing/listing_test_util.h"

namespace {

void append_list(const file_node* first, std::string* out) {
  for (const file_node* n = first; n; n = n->next_sibling) {
    if (n != first) *out += ",";
    out->append(n->full_name());
    if (n->first_child) {
      *out += "(";
      append_list(n->first_child, out);
      *out += ")";
    }
  }
}

std::string list_fault(const file_node* first, const file_node* parent) {
  int32_t count = 0;
  for (const file_node* n = first; n; n = n->next_sibling) {
    if (n->parent != parent)
      return "bad parent at " + std::string(n->full_name());
    ++count;
    if (n->first_child) {
      std::string fault = list_fault(n->first_child, n);
      if (!fault.empty()) return fault;
    }
  }
  if (parent && parent->child_count != count) {
    return "bad count at " + std::string(parent->full_name());
  }
  return "";
}

}  // namespace

file_node* new_node(file_tree* tree, const char* name, int32_t is_folder,
                    int64_t size, int64_t time, const char* ext) {
  std::string whole = std::string(name) + ext;
  file_node* node = tree->make_node(whole, is_folder != 0);
  if (*ext) node->split_extension();
  node->size = size;
  node->time = time;
  return node;
}

std::string tree_shape(const file_tree& tree) {
  std::string out;
  append_list(tree.root(), &out);
  return out;
}

std::string link_fault(const file_tree& tree) {
  int32_t top = 0;
  for (const file_node* n = tree.root(); n; n = n->next_sibling) ++top;
  if (top != tree.count()) return "bad top-level count";
  return list_fault(tree.root(), nullptr);
}
