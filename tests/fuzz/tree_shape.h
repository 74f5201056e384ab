// A text form of a file tree for the archive fuzz targets, and a check that
// its links are consistent.
#ifndef DIRGEN_TESTS_FUZZ_TREE_SHAPE_H_
#define DIRGEN_TESTS_FUZZ_TREE_SHAPE_H_

#include <string>

#include "listing/file_tree.h"

// Every node in pre-order: depth, folder flag, name, size and time.
std::string fuzz_tree_shape(const file_tree& tree);

// Aborts (FUZZ_CHECK) when a parent, sibling or count link is wrong.
void fuzz_check_links(const file_tree& tree);

#endif  // DIRGEN_TESTS_FUZZ_TREE_SHAPE_H_
