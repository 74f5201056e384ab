// Helpers for the listing tests: hand-built tree nodes and a compact text
// form of a tree.
#ifndef DIRGEN_LISTING_LISTING_TEST_UTIL_H_
#define DIRGEN_LISTING_LISTING_TEST_UTIL_H_

#include <cstdint>
#include <string>

#include "listing/file_tree.h"

// A new file (or folder) node of *tree named name + ext, split at ext when
// ext is not empty; the caller links it into the tree.
file_node* new_node(file_tree* tree, const char* name, int32_t is_folder,
                    int64_t size = 0, int64_t time = 0, const char* ext = "");

// The tree in pre-order: names separated by ",", each folder's children in
// "(...)" after it, e.g. "A(x,y),b". The extension is appended to the name.
std::string tree_shape(const file_tree& tree);

// Checks that the parents and counts of every sibling list agree with its
// links; returns "" when it holds, else a description of the first fault.
std::string link_fault(const file_tree& tree);

#endif  // DIRGEN_LISTING_LISTING_TEST_UTIL_H_
