#include "project/data_folder.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "markup/files.h"

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
  // An unreadable current folder is still "." to every relative path.
  const char* cwd = getcwd(buf, sizeof(buf)) ? buf : ".";
  return find_working_folder(cwd, executable_folder());
}
