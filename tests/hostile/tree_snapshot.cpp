#include "tree_snapshot.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include "markup/files.h"

namespace {

// Calls visit(name) for every entry of the open folder fd (fd is consumed).
template <typename Visit>
void for_each_entry(int fd, Visit visit) {
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return;
  }
  unique_dir dir(d);
  std::vector<std::string> names;
  while (const dirent* e = readdir(d)) {
    std::string_view n = e->d_name;
    if (n != "." && n != "..") names.emplace_back(n);
  }
  for (const std::string& n : names) visit(dirfd(d), n);
}

void snapshot_at(int fd, const std::string& prefix, tree_snapshot* out) {
  for_each_entry(fd, [&](int parent, const std::string& name) {
    struct stat st;
    if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    std::string rel = prefix + name;
    if (S_ISDIR(st.st_mode)) {
      (*out)[rel] = "dir";
      int sub = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY);
      if (sub >= 0) snapshot_at(sub, rel + "/", out);
    } else {
      (*out)[rel] = std::string(S_ISLNK(st.st_mode) ? "link " : "file ") +
                    std::to_string(st.st_size) + " " +
                    std::to_string(st.st_mtim.tv_sec) + "." +
                    std::to_string(st.st_mtim.tv_nsec);
    }
  });
}

}  // namespace

tree_snapshot snapshot(const std::string& root) {
  tree_snapshot out;
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) snapshot_at(fd, "", &out);
  return out;
}

std::vector<std::string> changes(const tree_snapshot& before,
                                 const tree_snapshot& after) {
  std::vector<std::string> out;
  for (const auto& [path, what] : before) {
    auto it = after.find(path);
    if (it == after.end()) {
      out.push_back("-" + path);
    } else if (it->second != what) {
      out.push_back("~" + path);
    }
  }
  for (const auto& [path, what] : after) {
    if (!before.count(path)) out.push_back("+" + path);
  }
  return out;
}
