#include "markup/files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void set_error(std::string* err, const std::string& what) {
  if (err != nullptr) *err = what + ": " + std::strerror(errno);
}

}  // namespace

void split_path(const std::string& path, std::string* folder,
                std::string* name) {
  const size_t slash = path.rfind('/');
  *folder = slash == std::string::npos ? ""
            : slash == 0               ? "/"
                                       : path.substr(0, slash);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_file_atomically(const std::string& path, std::string_view bytes,
                           const replace_options& options, std::string* err) {
  replacement_file out;
  std::string reason;
  if (out.open(path, options, &reason) && out.write(bytes, &reason) &&
      out.finish(&reason) && out.commit(&reason)) {
    return true;
  }
  if (err != nullptr) *err = path + ": " + reason;
  return false;
}

bool read_whole_file(const std::string& path, std::string* bytes,
                     std::string* err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    set_error(err, "cannot open " + path);
    return false;
  }
  bytes->clear();
  char buffer[16384];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      set_error(err, "cannot read " + path);
      ::close(fd);
      return false;
    }
    bytes->append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool make_folders(const std::string& path, std::string* err) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    set_error(err, "not a folder: " + path);
    return false;
  }
  std::string parent = folder_of(path);
  if (parent != path && parent != "." && !make_folders(parent, err)) {
    return false;
  }
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
    set_error(err, "cannot create folder " + path);
    return false;
  }
  return true;
}

std::string executable_folder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
  if (n <= 0 || n == static_cast<ssize_t>(sizeof buf)) return std::string();
  std::string exe(buf, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}
