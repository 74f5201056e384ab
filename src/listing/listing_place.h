// Where a listing stands relative to what it lists, and what it shows of
// its folder besides the entries: the link from the listing's folder to
// the listed folder, the listed folder's name, and its README.
#ifndef DIRGEN_LISTING_LISTING_PLACE_H_
#define DIRGEN_LISTING_LISTING_PLACE_H_

#include <string>

#include "listing/file_tree.h"

// The path that leads from the folder from to the folder to, ending in "/"
// ("../photos/"), or the empty text when they are the same folder.
// REQUIRES: both are absolute, without "." or ".." components or repeated
// "/" (as realpath gives them).
std::string relative_folder_path(const std::string& from,
                                 const std::string& to);

// The canonical path of folder (realpath); folder itself when it has none.
std::string canonical_folder(const std::string& folder);

// The last component of a canonical path ("/" for the root).
std::string last_component(const std::string& path);

// A README is read up to this many bytes: far more than people read under
// a listing, and the page stays light; a longer one is cut at a character
// boundary.
constexpr size_t kMaxReadmeBytes = 64 * 1024;

// The first of README, README.txt and README.md that is a listed file of
// the top level of tree and a regular file in the folder dir_fd: *name
// and *text get its name and (up to kMaxReadmeBytes of) its text. False,
// leaving both empty, when there is none or it cannot be read.
bool read_readme(const file_tree& tree, int dir_fd, std::string* name,
                 std::string* text);

#endif  // DIRGEN_LISTING_LISTING_PLACE_H_
