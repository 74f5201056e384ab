#include "listing/scan_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "markup/files.h"

namespace {

// Only what a listing shows: the kind, the permission bits, size and time.
constexpr unsigned kWantedFields =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME;

bool is_dot_entry(const char* name) {
  return name[0] == '.' &&
         (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool wanted(const char* name, const char* pattern) {
  if (pattern[0] == '\0' || strcmp(pattern, "*") == 0) return true;
  return fnmatch(pattern, name, FNM_CASEFOLD) == 0;
}

using entry = folder_entry;

bool is_folder(const entry& e) { return S_ISDIR(e.mode); }

// Examines name in dir_fd; links by their target when it exists. Returns 0
// or the error number.
int examine(int dir_fd, const char* name, entry* e) {
  struct statx st;
  const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
  if (statx(dir_fd, name, flags, kWantedFields, &st) != 0) return errno;
  e->is_link = S_ISLNK(st.stx_mode);
  if (e->is_link) {
    struct statx target;
    if (statx(dir_fd, name, AT_NO_AUTOMOUNT, kWantedFields, &target) == 0) {
      st = target;
    }
  }
  e->size = st.stx_size;
  e->mtime = st.stx_mtime.tv_sec;
  e->mode = st.stx_mode;
  return 0;
}

// The node for e in tree; every field of the node is set here.
file_node* make_node(const entry& e, file_tree* tree) {
  file_node* node = tree->make_node(e.name, is_folder(e));
  node->is_link = e.is_link ? 1 : 0;
  node->time = e.mtime;
  node->attributes = static_cast<uint16_t>(e.mode);
  if (!node->is_folder) {
    node->size = static_cast<int64_t>(
        std::min<uint64_t>(e.size, std::numeric_limits<int64_t>::max()));
  }
  return node;
}

// Reads every wanted entry. An entry removed between enumeration and
// examination is simply gone; any other failure is reported.
void read_entries(DIR* dir, const char* pattern, folder_read* out) {
  const int dir_fd = dirfd(dir);
  for (;;) {
    errno = 0;
    const dirent* d = readdir(dir);
    if (!d) {
      if (errno != 0) out->unreadable.emplace_back("", errno);
      return;
    }
    if (is_dot_entry(d->d_name) || !wanted(d->d_name, pattern)) continue;
    entry e;
    int error = examine(dir_fd, d->d_name, &e);
    if (error == ENOENT) continue;
    if (error != 0) {
      out->unreadable.emplace_back(d->d_name, error);
      continue;
    }
    e.name = d->d_name;
    out->entries.push_back(std::move(e));
  }
}

}  // namespace

bool read_folder(int dir_fd, const char* pattern, folder_read* out,
                 int* error) {
  out->entries.clear();
  out->unreadable.clear();
  // The DIR takes a descriptor of its own, so the caller's stays open.
  int own = fcntl(dir_fd, F_DUPFD_CLOEXEC, 0);
  unique_dir dir(own < 0 ? nullptr : fdopendir(own));
  if (!dir) {
    *error = errno;
    if (own >= 0) close(own);
    return false;
  }
  read_entries(dir.get(), pattern, out);
  std::sort(out->entries.begin(), out->entries.end(),
            [](const entry& a, const entry& b) {
              if (is_folder(a) != is_folder(b)) return is_folder(a);
              return a.name < b.name;  // byte-wise: std::string compares
                                       // as unsigned char
            });
  return true;
}

int64_t add_folder_read(const folder_read& read, file_tree* tree,
                        file_node* parent) {
  if (!tree->root()) parent = nullptr;
  for (const entry& e : read.entries) {
    file_node* node = make_node(e, tree);
    if (parent) {
      tree->append_child(node, parent);
    } else {
      tree->append_top(node);
    }
  }
  return static_cast<int64_t>(read.entries.size());
}

bool scan_folder_at(int dir_fd, file_tree* tree, file_node* parent,
                    const char* pattern, const scan_unreadable& unreadable,
                    int64_t* listed, int* error) {
  folder_read read;
  if (!read_folder(dir_fd, pattern, &read, error)) return false;
  if (unreadable) {
    for (const auto& [name, e] : read.unreadable) unreadable(name, e);
  }
  *listed = add_folder_read(read, tree, parent);
  return true;
}

bool scan_folder(const variant& folder_path, file_tree* tree, file_node* parent,
                 const variant& pattern) {
  int fd = open(folder_path.as_text(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int64_t listed = 0;
  int error = 0;
  bool read = scan_folder_at(fd, tree, parent, pattern.as_text(), nullptr,
                             &listed, &error);
  close(fd);
  return read && listed > 0;
}
