#include "listing/scan_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <vector>

#include "markup/files.h"

namespace {

bool is_dot_entry(const char* name) {
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

bool wanted(const char* name, const char* pattern) {
  if (pattern[0] == '\0' || strcmp(pattern, "*") == 0) return true;
  return fnmatch(pattern, name, FNM_CASEFOLD) == 0;
}

// Fills node from the entry's status. Links are described by their target
// when it exists.
void describe_entry(int dir_fd, const dirent* entry, kvfile_node* node) {
  struct stat st;
  if (fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    node->is_folder = entry->d_type == DT_DIR ? 1 : 0;
    return;  // unreadable details: listed with size and time 0
  }
  if (S_ISLNK(st.st_mode)) {
    node->is_link = 1;
    struct stat target;
    if (fstatat(dir_fd, entry->d_name, &target, 0) == 0) st = target;
  }
  node->is_folder = S_ISDIR(st.st_mode) ? 1 : 0;
  node->time = static_cast<int64_t>(st.st_mtim.tv_sec);
  node->attributes = static_cast<uint32_t>(st.st_mode);
  if (node->is_folder) return;
  constexpr off_t kIntLimit = off_t{1} << 31;
  if (st.st_size < kIntLimit) {
    node->size = kvval(static_cast<int>(st.st_size));
  } else {
    node->size = kvval(static_cast<double>(st.st_size));
  }
}

using node_list = std::vector<std::unique_ptr<kvfile_node>>;

// Reads every wanted entry, folders and files apart, in enumeration order.
void read_entries(DIR* dir, const char* pattern, node_list* folders,
                  node_list* files) {
  const int dir_fd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (is_dot_entry(entry->d_name) || !wanted(entry->d_name, pattern)) {
      continue;
    }
    auto node = std::make_unique<kvfile_node>();
    node->name = kvval(std::string_view(entry->d_name));
    describe_entry(dir_fd, entry, node.get());
    (node->is_folder ? folders : files)->push_back(std::move(node));
  }
}

void link_nodes(node_list* nodes, kvfile_tree* tree, kvfile_node* parent) {
  for (auto& node : *nodes) {
    if (parent) {
      tree->append_child(node.release(), parent);
    } else {
      tree->append_top(node.release());
    }
  }
}

}  // namespace

bool scan_folder(const kvval& folder_path, kvfile_tree* tree,
                 kvfile_node* parent, const kvval& pattern) {
  unique_dir dir(opendir(folder_path.as_text()));
  if (!dir) return false;
  node_list folders, files;
  read_entries(dir.get(), pattern.as_text(), &folders, &files);
  if (!tree->root()) parent = nullptr;
  link_nodes(&folders, tree, parent);
  link_nodes(&files, tree, parent);
  return !folders.empty() || !files.empty();
}
