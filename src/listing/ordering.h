// Ordering of a file tree: the listing order of two sibling nodes and the
// sorts that apply it to every sibling list. The build orders the whole tree
// once, after filtering and splitting extensions, when the user chose an
// order other than "Unsorted".
#ifndef DIRGEN_LISTING_ORDERING_H_
#define DIRGEN_LISTING_ORDERING_H_

#include <cstdint>

#include "listing/file_tree.h"
#include "value/variant.h"

// Sort keys: the settings' order_files minus one (order_files 0, kUnsorted,
// means no ordering at all).
constexpr int32_t kUnsorted = 0;
enum file_sort_key : int32_t {
  kSortByName = 0,
  kSortByExtension = 1,
  kSortBySize = 2,
  kSortByTime = 3,
};

// Listing order of a and b under sort_key (a file_sort_key; any other key:
// only folders before files). Negative when a goes
// first, positive when b goes first, 0 when they are equal. Folders always
// go before files; names and extensions compare byte by byte as unsigned
// bytes (upper case before lower case); sizes compare by value (integer or
// real); times compare as 64-bit values without overflow.
int32_t compare_file_nodes(const file_node* a, const file_node* b,
                           int32_t sort_key);

// Orders the top-level list and every child list of *tree on its own with
// tree->compare_nodes, stably: nodes that compare equal keep their previous
// relative order. No node changes folder; parent links and counts stay.
// O(n log n) per list; no recursion on the tree's depth.
void sort_siblings(file_tree* tree);

// Reverses the top-level list and every child list of *tree in place, so a
// sorted tree becomes its exact mirror (files before folders, equal nodes in
// reverse order). No recursion on the tree's depth.
void reverse_siblings(file_tree* tree);

// The build's ordering step from the settings "order_files" (0 unsorted,
// 1 name, 2 extension, 3 size, 4 date) and "sort_order" (0 ascending, else
// descending). Unsorted leaves the tree as it is whatever sort_order says;
// otherwise sets tree->sort_key to order_files - 1, sorts, and reverses for
// descending.
void order_tree(file_tree* tree, const variant& order_files,
                const variant& sort_order);

#endif  // DIRGEN_LISTING_ORDERING_H_
