#include "markup/long_path.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Closes fd (unless it is AT_FDCWD) keeping errno as it was.
void close_keeping_errno(int fd) {
  if (fd == AT_FDCWD) return;
  const int saved = errno;
  close(fd);
  errno = saved;
}

// The length of the longest start of path[0, size) that fits in one
// system call and ends just before a "/"; 0 when there is none.
size_t piece_length(const char* path, size_t size) {
  if (size < PATH_MAX) return size;
  size_t take = PATH_MAX - 1;
  while (take > 0 && path[take] != '/') --take;
  return take;
}

}  // namespace

int open_folder_path(const char* path, size_t size, int flags) {
  char piece[PATH_MAX];
  int at = AT_FDCWD;
  if (size == 0) {
    path = ".";
    size = 1;
  }
  for (;;) {
    const size_t take = piece_length(path, size);
    if (take == 0) {  // one name longer than any call takes
      close_keeping_errno(at);
      errno = ENAMETOOLONG;
      return -1;
    }
    const bool last = take == size;
    std::memcpy(piece, path, take);
    piece[take] = '\0';
    const int fd = openat(at, piece,
                          (last ? flags : O_PATH) | O_DIRECTORY | O_CLOEXEC);
    close_keeping_errno(at);
    if (fd < 0 || last) return fd;
    at = fd;
    path += take;
    size -= take;
    while (size > 0 && *path == '/') {
      ++path;
      --size;
    }
    if (size == 0) {  // the path ended in "/"
      path = ".";
      size = 1;
    }
  }
}

int unlink_path(const char* path) {
  const size_t size = std::strlen(path);
  if (size < PATH_MAX) return unlink(path);
  size_t slash = size;
  while (slash > 0 && path[slash - 1] != '/') --slash;
  if (slash == 0) {
    errno = ENAMETOOLONG;
    return -1;
  }
  // The folder's path without its final "/", unless that is the root.
  const int dir = open_folder_path(path, slash == 1 ? 1 : slash - 1, O_PATH);
  if (dir < 0) return -1;
  const int result = unlinkat(dir, path + slash, 0);
  close_keeping_errno(dir);
  return result;
}
