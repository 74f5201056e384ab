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

bool is_file(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder "../" + below relative to exe_dir, ending in "/": the prefix the
// executable was installed under (its "bin" folder's parent) + below.
std::string installed_folder(const std::string& exe_dir,
                             const std::string& below) {
  std::string bin = exe_dir;
  while (bin.size() > 1 && bin.back() == '/') bin.pop_back();
  const size_t slash = bin.rfind('/');
  if (slash == std::string::npos) return std::string();
  return bin.substr(0, slash + 1) + below + "/";
}

}  // namespace

std::string find_working_folder(const std::string& cwd,
                                const std::string& exe_dir) {
  if (has_kvdata(cwd) || exe_dir.empty()) return with_slash(cwd);
  if (has_kvdata(exe_dir)) return with_slash(exe_dir);
  const std::string installed = installed_folder(exe_dir, "share/dirgen");
  if (!installed.empty() && has_kvdata(installed)) return installed;
  return with_slash(cwd);
}

std::string find_manual(const std::string& working_folder,
                        const std::string& exe_dir) {
  const std::string beside = working_folder + "help.html";
  if (is_file(beside) || exe_dir.empty()) return beside;
  const std::string installed =
      installed_folder(exe_dir, "share/doc/dirgen") + "help.html";
  return is_file(installed) ? installed : beside;
}

std::string manual_at_start(const std::string& working_folder) {
  return find_manual(working_folder, executable_folder());
}

std::string working_folder_at_start() {
  char buf[PATH_MAX];
  // An unreadable current folder is still "." to every relative path.
  const char* cwd = getcwd(buf, sizeof(buf)) ? buf : ".";
  return find_working_folder(cwd, executable_folder());
}
