// archive_tree: turns the entry paths of an archive, in archive order, into
// the folder and file nodes of a file_tree. Used by archive_reader; knows
// nothing of archive formats.
//
// Paths are split at "/". Empty and "." components are dropped, so "./a",
// "/a", "a//b" and "a/./b" name the same places as "a" and "a/b"; a path
// with no component left (the archive's own root, "./") adds nothing. ".."
// is kept as an ordinary name: it is shown as text and never resolved, so an
// entry cannot climb out of the listing or take another entry's place.
//
// Each folder appears once per parent, however often the archive names it.
// Folders that are only implied by deeper paths are created where they are
// first needed. A folder keeps the time of the last entry the archive has
// for it; a folder without one of its own gets, at finish(), the newest
// time found in its subtree.
//
// The listing holds every folder's path as text, so a path nested a
// hundred thousand folders deep (a few hundred bytes of compressed tar)
// would take gigabytes. The folders' paths together are limited to
// kMaxFolderPathBytes; real archives stay far below it (a million folders
// with paths of 100 bytes take 100 MB).
//
// Thread safety: none; one builder fills one tree on one thread.
#ifndef DIRGEN_LISTING_ARCHIVE_TREE_H_
#define DIRGEN_LISTING_ARCHIVE_TREE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "listing/file_tree.h"

class archive_tree {
 public:
  static constexpr int64_t kMaxFolderPathBytes = int64_t{256} << 20;

  // REQUIRES: tree is empty and outlives this object, and nothing else
  // changes it until finish() has returned.
  explicit archive_tree(file_tree* tree) : tree_(tree) {}
  archive_tree(const archive_tree&) = delete;
  archive_tree& operator=(const archive_tree&) = delete;

  // A folder entry at path, modified at time (seconds since 1970 UTC).
  // False, adding nothing, when the folders it needs would pass
  // kMaxFolderPathBytes.
  bool add_folder(std::string_view path, int64_t time);
  // Any other entry (file, link, device, ...): listed as a file of size
  // bytes under path. False as for add_folder.
  bool add_file(std::string_view path, int64_t size, int64_t time);

  // Gives every folder without a time of its own the newest time of its
  // subtree. Call once, after the last entry.
  void finish();

 private:
  struct folder_state {
    file_node* last_child = nullptr;  // appends are constant time
    bool has_time = false;            // the archive had an entry for it
  };

  // Finds or creates the folders of dir (a path without its last
  // component); *folder is the innermost, null for the top level. False
  // when a folder would pass kMaxFolderPathBytes.
  bool walk(std::string_view dir, file_node** folder);
  file_node* find_folder(file_node* parent, std::string_view name);
  file_node* make_folder(file_node* parent, std::string_view name);
  void append(file_node* node, file_node* parent);

  file_tree* tree_;
  file_node* last_top_ = nullptr;
  // Key: the parent pointer's bytes followed by the folder's name.
  std::unordered_map<std::string, file_node*> by_name_;
  std::unordered_map<const file_node*, folder_state> folders_;
  std::string key_;                // scratch key, reused to avoid allocations
  int64_t folder_path_bytes_ = 0;  // the created folders' paths, summed
  // The last dir given to walk() and its folder.
  bool has_last_dir_ = false;
  std::string last_dir_;
  file_node* last_dir_node_ = nullptr;
};

#endif  // DIRGEN_LISTING_ARCHIVE_TREE_H_
