// Reading one level of a folder into a kvfile_tree. The build calls it for
// the source folder and, level by level, for every subfolder it recurses
// into; the installer uses it to list its distribution folder.
#ifndef DIRGEN_LISTING_SCAN_FOLDER_H_
#define DIRGEN_LISTING_SCAN_FOLDER_H_

#include "listing/kvfile_tree.h"
#include "value/kvval.h"

// Appends the entries of the folder folder_path (one level, no recursion)
// whose names match the wildcard pattern ("*" or empty: every entry; "*"
// and "?" as in shell patterns, case ignored) under parent, or at the top
// level of *tree when parent is null or the tree is empty. Folders come
// first, then files, each group in the order the system enumerates them;
// "." and ".." are skipped. The tree owns the new nodes.
//
// Each node gets its name, is_folder, size (bytes; 0 for folders), time
// (seconds since 1970 UTC), attributes (the st_mode bits) and is_link. A
// symbolic link is described by its target: a link to a folder becomes a folder
// node with is_link 1, which the recursive build must not descend into; a
// dangling link is a file described by the link itself. An entry whose details
// cannot be read is still listed, with size and time 0.
//
// The folder is read by path; the process's current directory is not
// changed. Returns true when at least one entry other than "." and ".." was
// listed; false (tree untouched) when the folder cannot be opened or lists
// nothing. An error while reading keeps what was read so far.
bool scan_folder(const kvval& folder_path, kvfile_tree* tree,
                 kvfile_node* parent, const kvval& pattern);

#endif  // DIRGEN_LISTING_SCAN_FOLDER_H_
