#include "listing/archive_folders.h"

void archive_folders::make_key(const kvfile_node* parent,
                               std::string_view name) {
  key_.assign(reinterpret_cast<const char*>(&parent), sizeof(parent));
  key_.append(name);
}

const archive_folders::folder_entry* archive_folders::find(
    const kvfile_node* parent, std::string_view name) {
  make_key(parent, name);
  auto it = folders_.find(key_);
  return it == folders_.end() ? nullptr : &it->second;
}

kvfile_node* archive_folders::walk_down(std::string* path) {
  kvfile_node* parent = nullptr;
  std::string_view rest(*path);
  while (!folders_.empty()) {
    // Among the folders whose name is a leading component of rest, the one
    // that comes first in the sibling list wins.
    const folder_entry* best = nullptr;
    size_t best_len = 0;
    for (size_t i = rest.find('/'); i != std::string_view::npos;
         i = rest.find('/', i + 1)) {
      const folder_entry* e = find(parent, rest.substr(0, i));
      if (e && (!best || e->order < best->order)) {
        best = e;
        best_len = i;
      }
    }
    if (!best) break;
    parent = best->node;
    rest.remove_prefix(best_len + 1);
  }
  path->erase(0, path->size() - rest.size());
  return parent;
}

void archive_folders::append(kvfile_node* node, kvfile_node* parent) {
  kvfile_node*& last = parent ? last_child_[parent] : last_top_;
  if (last) {
    tree_->insert_after(node, last);
  } else if (parent) {
    tree_->append_child(node, parent);
  } else {
    tree_->append_top(node);
  }
  last = node;
  if (node->is_folder) {
    make_key(parent, node->name());
    folders_.try_emplace(key_, folder_entry{node, next_order_++});
  }
}
