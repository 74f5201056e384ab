// A snapshot of everything under a folder, so a hostile-input test can
// prove that a build wrote nothing but its output.
#ifndef DIRGEN_TESTS_HOSTILE_TREE_SNAPSHOT_H_
#define DIRGEN_TESTS_HOSTILE_TREE_SNAPSHOT_H_

#include <map>
#include <string>
#include <vector>

// Relative path to "type size mtime" of every entry under root (folders
// without size and time, which change whenever an entry is added).
// Descends through file descriptors, so depth and path length do not
// matter; folders that cannot be opened are recorded without contents.
using tree_snapshot = std::map<std::string, std::string>;
tree_snapshot snapshot(const std::string& root);

// The differences from before to after, one line per path: "+path" new,
// "-path" gone, "~path" changed.
std::vector<std::string> changes(const tree_snapshot& before,
                                 const tree_snapshot& after);

#endif  // DIRGEN_TESTS_HOSTILE_TREE_SNAPSHOT_H_
