#include "listing/listing_test_util.h"

namespace {

void append_list(const kvfile_node* first, std::string* out) {
  for (const kvfile_node* n = first; n; n = n->next_sibling) {
    if (n != first) *out += ",";
    *out += n->name.str() + n->ext.str();
    if (n->first_child) {
      *out += "(";
      append_list(n->first_child, out);
      *out += ")";
    }
  }
}

std::string list_fault(const kvfile_node* first, const kvfile_node* parent) {
  int32_t count = 0;
  const kvfile_node* prev = nullptr;
  for (const kvfile_node* n = first; n; prev = n, n = n->next_sibling) {
    if (n->parent != parent) return "bad parent at " + n->name.str();
    if (n->prev_sibling != prev) return "bad prev at " + n->name.str();
    ++count;
    if (n->first_child) {
      std::string fault = list_fault(n->first_child, n);
      if (!fault.empty()) return fault;
    }
  }
  if (parent && parent->child_count != count) {
    return "bad count at " + parent->name.str();
  }
  return "";
}

}  // namespace

kvfile_node* new_node(const char* name, int32_t is_folder, const kvval& size,
                      int64_t time, const char* ext) {
  auto* node = new kvfile_node;
  node->name = kvval(name);
  node->is_folder = is_folder;
  node->size = size;
  node->time = time;
  node->ext = kvval(ext);
  return node;
}

std::string tree_shape(const kvfile_tree& tree) {
  std::string out;
  append_list(tree.root(), &out);
  return out;
}

std::string link_fault(const kvfile_tree& tree) {
  int32_t top = 0;
  for (const kvfile_node* n = tree.root(); n; n = n->next_sibling) ++top;
  if (top != tree.count()) return "bad top-level count";
  return list_fault(tree.root(), nullptr);
}
