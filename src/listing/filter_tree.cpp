#include "listing/filter_tree.h"

void filter_options::set_time_window(const variant& flag, const variant& start,
                                     const variant& end) {
  time_filter = flag.as_bool();
  time_start = start.as_int64();
  time_end = end.as_int64();
}

void filter_options::set_size_window(const variant& flag, const variant& start,
                                     const variant& end) {
  size_filter = flag.as_bool();
  size_start = start;
  size_end = end;
}

namespace {

bool any_match(const compiled_masks* masks, std::string_view name) {
  return masks && masks->matches(name);
}

bool keep_folder(const file_node& node, const filter_options& opt) {
  return any_match(opt.folder_include, node.name()) &&
         !any_match(opt.folder_skip, node.name());
}

bool in_time_window(const file_node& node, const filter_options& opt) {
  if (!opt.time_filter) return true;
  return node.time >= opt.time_start && node.time <= opt.time_end;
}

// Sizes compare with the bounds as reals: a text bound such as
// "3221225472" would wrap to a negative number in the integer domain.
bool in_size_window(const file_node& node, const filter_options& opt) {
  if (!opt.size_filter) return true;
  const double size = static_cast<double>(node.size);
  return size >= opt.size_start.as_real() && size <= opt.size_end.as_real();
}

bool keep_file(const file_node& node, const filter_options& opt) {
  return in_time_window(node, opt) && in_size_window(node, opt) &&
         any_match(opt.file_include, node.name()) &&
         !any_match(opt.file_skip, node.name());
}

}  // namespace

// One pre-order walk that knows each node's previous kept sibling, which
// removing it needs.
void filter_tree(file_tree* tree, const filter_options& options) {
  file_node* prev = nullptr;
  file_node* node = tree->root();
  while (node) {
    const bool keep = node->is_folder ? keep_folder(*node, options)
                                      : keep_file(*node, options);
    if (keep && node->first_child) {
      prev = nullptr;
      node = node->first_child;
    } else if (keep) {
      node = file_tree::next_after_subtree(node, &prev);
    } else {
      // The node's successor keeps the same previous sibling.
      file_node* next_prev = prev;
      file_node* next = node->next_sibling
                            ? node->next_sibling
                            : file_tree::next_after_subtree(node, &next_prev);
      tree->remove_after(prev, node);
      node = next;
      prev = next_prev;
    }
  }
}
