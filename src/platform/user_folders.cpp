#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "markup/files.h"

std::string home_folder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) ==
          0 &&
      found != nullptr && found->pw_dir != nullptr && *found->pw_dir != '\0') {
    return found->pw_dir;
  }
  return "/";
}

std::string xdg_folder(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  if (value != nullptr && *value != '\0') return value;
  std::string home = home_folder();
  if (home == "/") home.clear();
  return home + fallback;
}

bool programs_folder(kvval* result) {
  *result = kvval("");
  std::string folder = xdg_folder("XDG_DATA_HOME", "/.local/share");
  folder += "/applications";
  if (!make_folders(folder, nullptr)) return false;
  *result = kvval(std::string_view(folder));
  return true;
}

bool program_files_folder(kvval* result) {
  *result = kvval("");
  if (::access("/opt", W_OK) == 0) {
    *result = kvval("/opt");
    return true;
  }
  std::string home = home_folder();
  if (home == "/") home.clear();
  std::string folder = home + "/.local/opt";
  if (!make_folders(folder, nullptr)) return false;
  *result = kvval(std::string_view(folder));
  return true;
}
