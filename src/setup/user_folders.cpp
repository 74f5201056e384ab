#include "setup/user_folders.h"

#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/home_folder.h"

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
