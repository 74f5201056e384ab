// Where a listing stands relative to what it lists, and what it shows of
// its folder besides the entries: the link from the listing's folder to
// the listed folder, the listed folder's name, and its README.
#ifndef DIRGEN_LISTING_LISTING_PLACE_H_
#define DIRGEN_LISTING_LISTING_PLACE_H_

#include <string>

#include "listing/file_tree.h"

// The path that leads from the folder from to the folder to, ending in "/"
// ("../photos/"), or the empty text when they are the same folder.
// REQUIRES: both are absolute, without "." or ".." components (as
// absolute_folder gives them).
std::string relative_folder_path(const std::string& from,
                                 const std::string& to);

// folder as an absolute path (a relative one is taken from the current
// folder; the empty path is the current folder) with "." and ".." applied
// to the text, as a browser applies them to a file: address. Links to
// folders reached through a symbolic link so follow the path the user
// gave, as the browser will, not the link's target.
std::string absolute_folder(const std::string& folder);

// The last component of an absolute path ("/" for the root).
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
