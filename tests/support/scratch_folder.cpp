#include "support/scratch_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

namespace {

// Removes name inside the open folder parent_fd with everything below it,
// opening each folder up (mode 0700) before reading it.
void remove_tree_at(int parent_fd, const char* name) {
  struct stat st;
  if (fstatat(parent_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    unlinkat(parent_fd, name, 0);
    return;
  }
  fchmodat(parent_fd, name, 0700, 0);
  int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd >= 0) {
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
      close(fd);
    } else {
      std::vector<std::string> names;
      while (const dirent* e = readdir(dir)) {
        std::string_view n = e->d_name;
        if (n != "." && n != "..") names.emplace_back(n);
      }
      for (const std::string& n : names) remove_tree_at(dirfd(dir), n.c_str());
      closedir(dir);
    }
  }
  unlinkat(parent_fd, name, AT_REMOVEDIR);
}

}  // namespace

scratch_folder::scratch_folder(const std::string& base) {
  std::string folder = base;
  if (folder.empty() || access(folder.c_str(), W_OK | X_OK) != 0) {
    folder = std::filesystem::temp_directory_path().string();
  }
  std::string pattern = folder + "/dirgen-test-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

scratch_folder::~scratch_folder() {
  if (!path_.empty()) remove_tree_at(AT_FDCWD, path_.c_str());
}

std::string scratch_folder::at(const std::string& relative) const {
  return path_ + "/" + relative;
}

bool scratch_folder::write(const std::string& relative,
                           const std::string& contents, int mode) const {
  std::error_code ignored;
  std::filesystem::create_directories(
      std::filesystem::path(at(relative)).parent_path(), ignored);
  return write_file(at(relative), contents) &&
         chmod(at(relative).c_str(), static_cast<mode_t>(mode)) == 0;
}

std::string scratch_folder::read(const std::string& relative) const {
  return read_file(at(relative));
}

bool scratch_folder::make_folder(const std::string& relative) const {
  std::error_code ec;
  std::filesystem::create_directories(at(relative), ec);
  return !ec;
}

bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int make_nested_folders(const std::string& folder, const std::string& level,
                        int depth, std::string* path) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  *path = folder;
  for (int i = 0; fd >= 0 && i < depth; ++i) {
    const int next =
        mkdirat(fd, level.c_str(), 0755) == 0
            ? openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
            : -1;
    close(fd);
    fd = next;
    *path += "/" + level;
  }
  return fd;
}

int open_descriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (d && readdir(d)) ++n;
  if (d) closedir(d);
  return n;
}

scoped_env::scoped_env(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

scoped_env::~scoped_env() {
  if (had_) {
    setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}
