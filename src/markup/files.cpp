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

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Makes the rename itself durable; a failure here is not reported because
// the new content is already in place.
void sync_folder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool write_file_atomically(const std::string& path, std::string_view bytes,
                           mode_t mode, std::string* err) {
  std::string folder = folder_of(path);
  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    set_error(err, "cannot create a temporary file in " + folder);
    return false;
  }
  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
  if (!ok) set_error(err, "cannot write " + temp);
  if (::close(fd) != 0 && ok) {
    set_error(err, "cannot close " + temp);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    set_error(err, "cannot rename " + temp + " to " + path);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  sync_folder(folder);
  return true;
}

mode_t replacement_mode(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  // umask(2) can only be read by setting it; /proc says it without a change.
  mode_t mask = 022;
  if (unique_file f{std::fopen("/proc/self/status", "re")}) {
    char line[256];
    while (std::fgets(line, sizeof line, f.get())) {
      unsigned int value;
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value);
        break;
      }
    }
  }
  return 0666 & ~mask;
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
