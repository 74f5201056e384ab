#include "scratch_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>
#include <vector>

namespace {

struct dir_closer {
  void operator()(DIR* d) const { closedir(d); }
};

// Calls visit(name) for every entry of the open folder fd (fd is consumed).
template <typename Visit>
void for_each_entry(int fd, Visit visit) {
  DIR* d = fdopendir(fd);
  if (!d) {
    close(fd);
    return;
  }
  std::unique_ptr<DIR, dir_closer> dir(d);
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

bool remove_tree_at(int parent_fd, const char* name) {
  struct stat st;
  if (fstatat(parent_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return true;
  if (S_ISDIR(st.st_mode)) {
    fchmodat(parent_fd, name, 0700, 0);
    int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd >= 0) {
      for_each_entry(fd, [](int dir, const std::string& n) {
        remove_tree_at(dir, n.c_str());
      });
    }
    return unlinkat(parent_fd, name, AT_REMOVEDIR) == 0;
  }
  return unlinkat(parent_fd, name, 0) == 0;
}

scratch_tree::scratch_tree(const std::string& base) {
  std::string folder = base;
  if (folder.empty() || access(folder.c_str(), W_OK | X_OK) != 0) {
    folder = std::filesystem::temp_directory_path().string();
  }
  std::string tmpl = folder + "/dirgen-hostile-XXXXXX";
  if (mkdtemp(tmpl.data())) path_ = tmpl;
}

scratch_tree::~scratch_tree() {
  if (!path_.empty()) remove_tree_at(AT_FDCWD, path_.c_str());
}

std::string scratch_tree::at(const std::string& relative) const {
  return path_ + "/" + relative;
}

bool scratch_tree::write(const std::string& relative,
                         const std::string& contents) const {
  std::error_code ec;
  std::filesystem::create_directories(
      std::filesystem::path(at(relative)).parent_path(), ec);
  std::ofstream out(at(relative), std::ios::binary);
  out << contents;
  return static_cast<bool>(out.flush());
}

bool scratch_tree::make_folder(const std::string& relative) const {
  std::error_code ec;
  std::filesystem::create_directories(at(relative), ec);
  return !ec;
}

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
