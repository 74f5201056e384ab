// Helpers for the listing tests: a scratch folder removed at the end, file
// creation, hand-built tree nodes and a compact text form of a tree.
#ifndef DIRGEN_LISTING_LISTING_TEST_UTIL_H_
#define DIRGEN_LISTING_LISTING_TEST_UTIL_H_

#include <cstdint>
#include <string>

#include "listing/kvfile_tree.h"

// A fresh folder under the system's temporary folder; removed with all its
// contents (permissions restored first) when the object goes.
class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string at(const std::string& relative) const;
  // Creates the file relative with the given contents; false on failure.
  bool write_file(const std::string& relative,
                  const std::string& contents = "") const;
  bool make_folder(const std::string& relative) const;

 private:
  std::string path_;
};

// A new file (or folder) node of *tree named name + ext, split at ext when
// ext is not empty; the caller links it into the tree.
kvfile_node* new_node(kvfile_tree* tree, const char* name, int32_t is_folder,
                      int64_t size = 0, int64_t time = 0, const char* ext = "");

// The tree in pre-order: names separated by ",", each folder's children in
// "(...)" after it, e.g. "A(x,y),b". The extension is appended to the name.
std::string tree_shape(const kvfile_tree& tree);

// Checks that every sibling list is doubly linked, that parents and counts
// agree; returns "" when it holds, else a description of the first fault.
std::string link_fault(const kvfile_tree& tree);

#endif  // DIRGEN_LISTING_LISTING_TEST_UTIL_H_
