#include "project/data_folder.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string with_slash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

bool has_kvdata(const std::string& folder) {
  struct stat st;
  return stat((with_slash(folder) + "kvdata").c_str(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

std::string executable_folder() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return std::string();
  std::string exe(buf, static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

}  // namespace

std::string find_working_folder(const std::string& cwd,
                                const std::string& exe_dir) {
  if (!has_kvdata(cwd) && !exe_dir.empty() && has_kvdata(exe_dir)) {
    return with_slash(exe_dir);
  }
  return with_slash(cwd);
}

std::string working_folder_at_start() {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof(buf)) == nullptr) return std::string();
  return find_working_folder(buf, executable_folder());
}
