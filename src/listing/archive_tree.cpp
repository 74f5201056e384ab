#include "listing/archive_tree.h"

#include <algorithm>
#include <limits>

namespace {

// Time of a folder that is only implied, until finish() gives it one.
constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

bool is_component(std::string_view c) { return !c.empty() && c != "."; }

// Splits path into the part before its last component and that component,
// skipping empty and "." components at the end. False when path has no
// component at all.
bool split_last(std::string_view path, std::string_view* dir,
                std::string_view* last) {
  size_t end = path.size();
  while (end > 0) {
    size_t slash = path.rfind('/', end - 1);
    size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
    std::string_view c = path.substr(begin, end - begin);
    if (is_component(c)) {
      *dir = path.substr(0, begin);
      *last = c;
      return true;
    }
    if (slash == std::string_view::npos) break;
    end = slash;
  }
  return false;
}

// The node fields an archive entry sets, in one place.
file_node* new_node(file_tree* tree, std::string_view name, bool folder,
                    int64_t time) {
  file_node* node = tree->make_node(name, folder);
  node->time = time;
  return node;
}

}  // namespace

bool archive_tree::add_folder(std::string_view path, int64_t time) {
  std::string_view dir, name;
  if (!split_last(path, &dir, &name)) return true;
  file_node* parent;
  if (!walk(path.substr(0, dir.size() + name.size()), &parent)) return false;
  // walk() made the folder itself the innermost one.
  folders_[parent].has_time = true;
  parent->time = time;
  return true;
}

bool archive_tree::add_file(std::string_view path, int64_t size, int64_t time) {
  std::string_view dir, name;
  if (!split_last(path, &dir, &name)) return true;
  file_node* parent;
  if (!walk(dir, &parent)) return false;
  file_node* node = new_node(tree_, name, false, time);
  node->size = std::max<int64_t>(size, 0);
  append(node, parent);
  return true;
}

bool archive_tree::walk(std::string_view dir, file_node** folder) {
  // Archives list a folder's entries together: most paths lead to the same
  // folder as the one before.
  if (has_last_dir_ && dir == last_dir_) {
    *folder = last_dir_node_;
    return true;
  }
  file_node* parent = nullptr;
  size_t pos = 0;
  while (pos < dir.size()) {
    size_t slash = std::min(dir.find('/', pos), dir.size());
    std::string_view c = dir.substr(pos, slash - pos);
    pos = slash + 1;
    if (!is_component(c)) continue;
    file_node* next = find_folder(parent, c);
    if (!next) {
      folder_path_bytes_ += static_cast<int64_t>(pos);
      if (folder_path_bytes_ > kMaxFolderPathBytes) return false;
      next = make_folder(parent, c);
    }
    parent = next;
  }
  last_dir_.assign(dir);
  last_dir_node_ = parent;
  has_last_dir_ = true;
  *folder = parent;
  return true;
}

file_node* archive_tree::find_folder(file_node* parent, std::string_view name) {
  key_.assign(reinterpret_cast<const char*>(&parent), sizeof parent);
  key_.append(name);
  auto it = by_name_.find(key_);
  return it == by_name_.end() ? nullptr : it->second;
}

// REQUIRES: find_folder(parent, name) was just called and found nothing
// (key_ still holds its key).
file_node* archive_tree::make_folder(file_node* parent, std::string_view name) {
  file_node* folder = new_node(tree_, name, true, kNoTime);
  append(folder, parent);
  by_name_.emplace(key_, folder);
  folders_.emplace(folder, folder_state{});
  return folder;
}

void archive_tree::append(file_node* node, file_node* parent) {
  file_node*& last = parent ? folders_[parent].last_child : last_top_;
  if (last) {
    tree_->insert_after(node, last);
  } else if (parent) {
    tree_->append_child(node, parent);
  } else {
    tree_->append_top(node);
  }
  last = node;
}

// One post-order walk without a list of the nodes: a node is offered to
// its parent when its whole subtree is done, so its time is final then.
void archive_tree::finish() {
  const file_node* looked_up = nullptr;  // siblings share their parent
  bool takes_time = false;
  auto offer = [&](const file_node* n) {
    file_node* p = n->parent;
    if (!p) return;
    if (p != looked_up) {
      looked_up = p;
      takes_time = !folders_[p].has_time;
    }
    if (takes_time) p->time = std::max(p->time, n->time);
  };
  file_node* n = tree_->root();
  while (n) {
    if (n->first_child) {
      n = n->first_child;
      continue;
    }
    for (;;) {  // n and its subtree are done
      offer(n);
      if (n->next_sibling) {
        n = n->next_sibling;
        break;
      }
      n = n->parent;
      if (!n) break;
    }
  }
}
