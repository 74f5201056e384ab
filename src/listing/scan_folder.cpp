#include "listing/scan_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>
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
  if (!node->is_folder) node->size = static_cast<int64_t>(st.st_size);
}

using node_list = std::vector<kvfile_node*>;

// Reads every wanted entry, folders and files apart, in enumeration order.
void read_entries(DIR* dir, const char* pattern, kvfile_tree* tree,
                  node_list* folders, node_list* files) {
  const int dir_fd = dirfd(dir);
  while (const dirent* entry = readdir(dir)) {
    if (is_dot_entry(entry->d_name) || !wanted(entry->d_name, pattern)) {
      continue;
    }
    kvfile_node* node = tree->make_node(entry->d_name, false);
    describe_entry(dir_fd, entry, node);
    (node->is_folder ? folders : files)->push_back(node);
  }
}

void link_nodes(const node_list& nodes, kvfile_tree* tree,
                kvfile_node* parent) {
  for (kvfile_node* node : nodes) {
    if (parent) {
      tree->append_child(node, parent);
    } else {
      tree->append_top(node);
    }
  }
}

}  // namespace

bool scan_folder(const kvval& folder_path, kvfile_tree* tree,
                 kvfile_node* parent, const kvval& pattern) {
  unique_dir dir(opendir(folder_path.as_text()));
  if (!dir) return false;
  node_list folders, files;
  read_entries(dir.get(), pattern.as_text(), tree, &folders, &files);
  if (!tree->root) parent = nullptr;
  link_nodes(folders, tree, parent);
  link_nodes(files, tree, parent);
  return !folders.empty() || !files.empty();
}
