// The file tree of one build: kvfile_node records for files, folders and
// folder-end markers, owned by a kvfile_tree. Filled by the folder scanner
// and the archive readers, pruned by the filters, ordered, then walked in
// pre-order to make the template variables.
#ifndef DIRGEN_LISTING_KVFILE_TREE_H_
#define DIRGEN_LISTING_KVFILE_TREE_H_

#include <cstdint>

#include "value/kve_tree.h"
#include "value/kvval.h"

struct kvfile_node {
  kvfile_node* parent = nullptr;
  kvfile_node* next_sibling = nullptr;
  kvfile_node* first_child = nullptr;
  kvfile_node* prev_sibling = nullptr;
  int32_t child_count = 0;
  // Entry name; after the build's extension split, the name without ext.
  kvval name = kvval("");
  // 1 for folders and folder-end markers, 0 for files.
  int32_t is_folder = 0;
  // Bytes: an integer while it fits the reader's limit, a real above it.
  kvval size;
  // Last modification, seconds since 1970-01-01 UTC (64-bit).
  int64_t time = 0;
  uint32_t attributes = 0;
  // 0 for folder-end markers (a damaged archive entry fails the build).
  int32_t valid = 1;
  kvval ext = kvval("");  // extension with its dot; empty before the split
  // 1 when the scanned entry is a symbolic link (size and time are those of
  // its target). A link to a folder is listed as a folder (is_folder 1) but
  // the recursive build must never descend into it: that could loop or leave
  // the source tree. 0 for archive entries and folder-end markers.
  int32_t is_link = 0;
  // True for the folder-end markers the build inserts after every node that
  // has children; nothing else sets it.
  bool is_marker = false;
};

class kvfile_tree : public kve_tree<kvfile_node> {
 public:
  // 0 name, 1 extension, 2 size, 3 time.
  kvval sort_key;

  // Folders before files, then by sort_key (see ordering.h).
  int32_t compare_nodes(const kvfile_node* a,
                        const kvfile_node* b) const override;
};

#endif  // DIRGEN_LISTING_KVFILE_TREE_H_
