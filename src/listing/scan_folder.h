// Reading one level of a folder into a file_tree. The build calls it for
// the source folder and, level by level, for every subfolder it recurses
// into; the installer uses it to list its distribution folder.
//
// Folders are read through their descriptors: the build opens each
// subfolder relative to its parent and every entry is examined relative to
// its folder, so no full path is ever built and paths of any length work.
//
// Reading is split in two so that helper threads can read folders ahead of
// the thread that builds the tree (see folder_prefetch.h): read_folder only
// talks to the system and fills a folder_read of its own; add_folder_read
// turns that into nodes.
//
// Threading: read_folder may run on any number of threads at once, each
// with its own folder_read; everything else here uses the tree on the one
// thread that owns it.
#ifndef DIRGEN_LISTING_SCAN_FOLDER_H_
#define DIRGEN_LISTING_SCAN_FOLDER_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "listing/file_tree.h"
#include "value/variant.h"

// Told about each entry that was enumerated but could not be examined: its
// name within the folder and the system's error number. An empty name means
// the enumeration itself failed part way.
using scan_unreadable = std::function<void(std::string_view name, int error)>;

// One entry of a folder as the system describes it, before it becomes a
// node.
struct folder_entry {
  std::string name;
  uint64_t size = 0;
  int64_t mtime = 0;
  uint32_t mode = 0;  // st_mode: the kind and the permission bits
  bool is_link = false;
};

// What reading one folder found.
struct folder_read {
  // Folders first, then files, each group in byte-wise order of the names.
  std::vector<folder_entry> entries;
  // Entries that were enumerated but could not be examined: the name and
  // the system's error number; an empty name means the enumeration itself
  // failed part way.
  std::vector<std::pair<std::string, int>> unreadable;
};

// Reads the entries of the folder dir_fd (borrowed, opened for reading and
// not read before) whose names match pattern, as scan_folder_at describes,
// into *out (emptied first). False with *error set when the folder cannot
// be read at all.
bool read_folder(int dir_fd, const char* pattern, folder_read* out,
                 int* error);

// Appends the nodes of read's entries, in order, under parent (or at the
// top level of *tree when parent is null or the tree is empty); returns how
// many. The tree owns the new nodes.
int64_t add_folder_read(const folder_read& read, file_tree* tree,
                        file_node* parent);

// Appends the entries of the folder dir_fd (borrowed, opened for reading and
// not read before; one
// level, no recursion) whose names match the wildcard pattern ("*" or
// empty: every entry; "*" and "?" as in shell patterns, case ignored) under
// parent, or at the top level of *tree when parent is null or the tree is
// empty. Folders come first, then files, each group in byte-wise order of
// the names, so a listing never depends on the order the file system keeps.
// "." and ".." are skipped. The tree owns the new nodes.
//
// Each node gets its name, is_folder, size (bytes; 0 for folders), time
// (seconds since 1970 UTC), attributes (the st_mode bits) and is_link. A
// symbolic link is described by its target: a link to a folder becomes a folder
// node with is_link 1, which the recursive build must not descend into; a
// dangling link is a file described by the link itself. An entry that vanished
// meanwhile is left out silently; one that cannot be examined otherwise is left
// out and passed to unreadable (which may be empty).
//
// Returns false with *error set when the folder cannot be read at all
// (tree untouched); otherwise true with *listed the number of nodes added.
bool scan_folder_at(int dir_fd, file_tree* tree, file_node* parent,
                    const char* pattern, const scan_unreadable& unreadable,
                    int64_t* listed, int* error);

// scan_folder_at for the folder at folder_path. True when at least one
// entry was listed; false (tree untouched) when the folder cannot be opened
// or lists nothing. Entries that cannot be examined are left out.
bool scan_folder(const variant& folder_path, file_tree* tree, file_node* parent,
                 const variant& pattern);

#endif  // DIRGEN_LISTING_SCAN_FOLDER_H_
