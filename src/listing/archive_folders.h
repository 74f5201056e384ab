// archive_folders: places archive entries into a kvfile_tree. Shared by the
// tar and zip readers. Entry paths are walked down the folder nodes already
// in the tree, and nodes are appended in constant time, so archives with
// hundreds of thousands of entries in one folder are read in linear time.
#ifndef DIRGEN_LISTING_ARCHIVE_FOLDERS_H_
#define DIRGEN_LISTING_ARCHIVE_FOLDERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "listing/kvfile_tree.h"

class archive_folders {
 public:
  // REQUIRES: tree is empty and outlives this object; every node is added
  // through append().
  explicit archive_folders(kvfile_tree* tree) : tree_(tree) {}

  // Walks *path down the existing folders, starting at the top level: while
  // some folder node of the current sibling list has a name that is a whole
  // leading component of *path (its name followed by "/"), the first such
  // folder in sibling order is entered and its name and the "/" are removed
  // from *path. Returns the deepest folder entered, or null for the top
  // level. A folder "ab" never captures "abc/x.txt".
  kvfile_node* walk_down(std::string* path);

  // A new node of the tree (see kvfile_tree::make_node).
  kvfile_node* make_node(std::string_view name, bool is_folder) {
    return tree_->make_node(name, is_folder);
  }

  // Appends node (ownership passes to the tree) as the last child of parent,
  // or as the last top-level node when parent is null. A folder node can be
  // found by walk_down from then on.
  void append(kvfile_node* node, kvfile_node* parent);

 private:
  struct folder_entry {
    kvfile_node* node;
    uint64_t order;  // append order; equals sibling order within a list
  };
  const folder_entry* find(const kvfile_node* parent, std::string_view name);
  void make_key(const kvfile_node* parent, std::string_view name);

  kvfile_tree* tree_;
  // Key: the parent pointer's bytes followed by the folder name. Holds the
  // first folder of each name in each sibling list.
  std::unordered_map<std::string, folder_entry> folders_;
  std::unordered_map<const kvfile_node*, kvfile_node*> last_child_;
  kvfile_node* last_top_ = nullptr;
  uint64_t next_order_ = 0;
  std::string key_;  // scratch key, reused to avoid allocations
};

#endif  // DIRGEN_LISTING_ARCHIVE_FOLDERS_H_
