// Helpers for the hostile-input tests: a scratch folder that may hold paths
// longer than PATH_MAX and folders without permissions, and a snapshot of
// everything under it, so a test can prove a build wrote nothing but its
// output.
#ifndef DIRGEN_TESTS_HOSTILE_SCRATCH_TREE_H_
#define DIRGEN_TESTS_HOSTILE_SCRATCH_TREE_H_

#include <map>
#include <string>
#include <vector>

// A fresh folder, removed with everything in it (permissions restored, any
// depth) when the object goes. It is made in base, or in the temporary
// folder when base is empty or not writable.
class scratch_tree {
 public:
  explicit scratch_tree(const std::string& base = "");
  ~scratch_tree();
  scratch_tree(const scratch_tree&) = delete;
  scratch_tree& operator=(const scratch_tree&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string at(const std::string& relative) const;
  // Creates relative (and the folders on its way) with contents. False on
  // failure.
  bool write(const std::string& relative, const std::string& contents) const;
  bool make_folder(const std::string& relative) const;

 private:
  std::string path_;
};

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

// Removes name inside the open folder parent_fd with everything below it.
// True when it is gone.
bool remove_tree_at(int parent_fd, const char* name);

#endif  // DIRGEN_TESTS_HOSTILE_SCRATCH_TREE_H_
