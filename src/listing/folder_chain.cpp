#include "listing/folder_chain.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <string>
#include <utility>

open_folder::~open_folder() {
  if (fd_ >= 0) close(fd_);
}

folder_handle open_subfolder(int parent_fd, std::string_view name,
                             int* error) {
  const std::string z(name);
  int fd = openat(parent_fd, z.c_str(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  return std::make_shared<const open_folder>(fd);
}

folder_chain::folder_chain(folder_handle root) {
  assert(root);
  levels_.push_back({"", std::move(root)});
}

folder_handle folder_chain::deepest(int* error) {
  if (!levels_.back().folder && !reopen(levels_.size() - 1, error)) {
    return nullptr;
  }
  return levels_.back().folder;
}

void folder_chain::push(std::string_view name, folder_handle folder) {
  assert(folder);
  levels_.push_back({std::string(name), std::move(folder)});
  if (levels_.size() > kMaxOpen + 1) {
    let_go(&levels_[levels_.size() - 1 - kMaxOpen]);
  }
}

void folder_chain::pop() {
  assert(depth() > 0);
  levels_.pop_back();
}

size_t folder_chain::open_levels() const {
  size_t n = 0;
  for (const level& l : levels_) n += l.folder ? 1 : 0;
  return n;
}

void folder_chain::let_go(level* l) {
  if (!l->folder || l == &levels_.front()) return;
  struct stat st;
  if (fstat(l->folder->fd(), &st) == 0) {
    l->dev = st.st_dev;
    l->ino = st.st_ino;
  }
  l->folder.reset();
}

// Opens the levels from the nearest open ancestor of index down to index,
// keeping the kMaxOpen deepest of them.
bool folder_chain::reopen(size_t index, int* error) {
  size_t from = index;
  while (!levels_[from].folder) --from;  // the source folder is always open
  for (size_t i = from + 1; i <= index; ++i) {
    level& l = levels_[i];
    folder_handle f = open_subfolder(levels_[i - 1].folder->fd(), l.name, error);
    if (!f) return false;
    struct stat st;
    if (fstat(f->fd(), &st) != 0) {
      *error = errno;
      return false;
    }
    if (st.st_dev != l.dev || st.st_ino != l.ino) {
      *error = ESTALE;
      return false;
    }
    l.folder = std::move(f);
    if (i > kMaxOpen) let_go(&levels_[i - kMaxOpen]);
  }
  return true;
}
