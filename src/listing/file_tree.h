// The file tree of one build: file_node records for files and folders,
// owned by a file_tree. Filled by the folder scanner and the archive
// readers, pruned by the filters, ordered, then read in pre-order to make
// the template variables.
//
// The tree is compact: nodes are made by the tree (make_node) in blocks of
// its own storage, each with its name right behind it, so a node holds no
// heap string nor a pointer to its name, and a million entries take about
// 70 MB. Nodes have no backward links; a node is removed with its previous
// sibling (remove_after). Nodes and names stay until the tree is cleared or
// destroyed: a node removed by the filters keeps its storage until then. Trees made with
// share_storage_of() allocate from another tree's storage, so that their
// nodes can be moved into it (adopt_top_level) without copying.
//
// Threading: a tree and its nodes are used by one thread at a time.
#ifndef DIRGEN_LISTING_FILE_TREE_H_
#define DIRGEN_LISTING_FILE_TREE_H_

#include <cstdint>
#include <memory>
#include <string_view>

#include "value/linked_tree.h"
#include "value/variant.h"

struct file_node {
  // Made by file_tree::make_node, which puts the name behind the node; a
  // copy would lose it.
  file_node() = default;
  file_node(const file_node&) = delete;
  file_node& operator=(const file_node&) = delete;

  file_node* parent = nullptr;
  file_node* next_sibling = nullptr;
  file_node* first_child = nullptr;
  int32_t child_count = 0;
  // The st_mode bits of a scanned entry (kind and permissions); 0 for
  // archive entries.
  uint16_t attributes = 0;
  // 1 for folders, 0 for files.
  int8_t is_folder = 0;
  // 1 when the scanned entry is a symbolic link (size and time are those of
  // its target). A link to a folder is listed as a folder (is_folder 1) but
  // the recursive build must never descend into it: that could loop or leave
  // the source tree. 0 for archive entries.
  int8_t is_link = 0;
  // Bytes; 0 for folders.
  int64_t size = 0;
  // Last modification, seconds since 1970-01-01 UTC.
  int64_t time = 0;

  // The entry's whole name, as enumerated or read from the archive.
  std::string_view full_name() const { return {name_bytes(), name_size_}; }
  // The name without its extension (the whole name before split_extension).
  std::string_view name() const {
    return {name_bytes(), name_size_ - ext_size_};
  }
  // The extension with its dot, split off by split_extension; else empty.
  std::string_view ext() const {
    return {name_bytes() + name_size_ - ext_size_, ext_size_};
  }
  // Splits the name at its last "." that is not its first byte: name()
  // then gives what is before it, ext() the rest. Nothing when there is no
  // such dot.
  void split_extension();

 private:
  friend class file_tree_storage;
  // The name follows the node in the tree's storage; not NUL-terminated.
  const char* name_bytes() const {
    return reinterpret_cast<const char*>(this + 1);
  }
  uint32_t name_size_ = 0;
  uint32_t ext_size_ = 0;
};
// A node is 56 bytes; with its name behind it (padded to 8 bytes) an entry
// of a 1,000,000-file tree takes about 72 bytes.
static_assert(sizeof(file_node) <= 56, "file_node grew");

class file_tree_storage;

class file_tree : public linked_tree<file_node, kept_nodes> {
 public:
  file_tree();
  ~file_tree() override;

  // A new, unlinked node named name (copied into the arena), with every
  // other field at its default. The tree owns it whether or not it is
  // linked. Aborts with a message when memory runs out.
  file_node* make_node(std::string_view name, bool is_folder);

  // From now on this tree allocates from other's storage (which stays alive
  // while either tree needs it). REQUIRES: this tree is empty.
  void share_storage_of(const file_tree& other);

  // Moves level's top-level nodes, in order, to be folder's children,
  // leaving level empty. REQUIRES: level shares this tree's storage; folder
  // is a node of this tree without children.
  void adopt_top_level(file_tree* level, file_node* folder);

  // Forgets every node and, when no other tree shares it, frees the
  // storage; the tree can be filled again.
  void clear();

  // Bytes held by nodes and names (for the memory figures of the tests).
  int64_t storage_bytes() const;

  // 0 name, 1 extension, 2 size, 3 time.
  variant sort_key;

  // Folders before files, then by sort_key (see ordering.h).
  int32_t compare_nodes(const file_node* a, const file_node* b) const override;

 private:
  std::shared_ptr<file_tree_storage> storage_;
};

#endif  // DIRGEN_LISTING_FILE_TREE_H_
