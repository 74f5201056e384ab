#include "setup/install_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/home_folder.h"
#include "setup/setup_names.h"

namespace {

std::string without_trailing_slashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string parent_path(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string normalize_destination(std::string_view text,
                                  const std::string& current_folder) {
  std::string path(text);
  if (path.front() != '/') {
    path = without_trailing_slashes(current_folder) + "/" + path;
    if (path.compare(0, 2, "//") == 0) path.erase(0, 1);
  }
  return without_trailing_slashes(path);
}

std::string installation_folder_for(const std::string& destination) {
  std::string folder = destination;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + std::string(kInstallSubfolder);
}

std::string parent_of_installation(const std::string& inst_dir) {
  std::string parent = inst_dir;
  size_t at = parent.rfind(kInstallSubfolder);
  if (at != std::string::npos) parent.resize(at);
  if (parent.empty()) return parent;
  return without_trailing_slashes(parent);
}

install_scope installation_scope() {
  return can_create_under(records_folder(install_scope::machine))
             ? install_scope::machine
             : install_scope::user;
}

std::string program_files_folder() {
  if (::access("/opt", W_OK) == 0) return "/opt";
  std::string home = home_folder();
  if (home == "/") home.clear();
  return home + "/.local/opt";
}

void default_destination(std::string* destination, bool* previous) {
  install_record record;
  if (latest_record(installation_scope(), &record) &&
      can_create_under(record.inst_dir)) {
    *destination = parent_of_installation(record.inst_dir);
    *previous = true;
    return;
  }
  *previous = false;
  *destination = installation_folder_for(program_files_folder());
  destination->resize(destination->size() - kInstallSubfolder.size());
  *destination += kVendorFolder;
}

std::string desktop_data_folder(bool for_everyone) {
  if (!for_everyone) return xdg_folder("XDG_DATA_HOME", "/.local/share");
  const char* prefix = std::getenv("DIRGEN_SYSTEM_PREFIX");
  std::string folder = prefix != nullptr && *prefix != '\0'
                           ? without_trailing_slashes(prefix)
                           : "/usr/local";
  return folder + "/share";
}

std::string menu_folder(bool for_everyone) {
  return desktop_data_folder(for_everyone) + "/applications";
}

std::string icon_folder(bool for_everyone) {
  return desktop_data_folder(for_everyone) + "/" + std::string(kIconSubfolder);
}

std::string existing_ancestor(const std::string& path) {
  std::string folder = path.empty() ? "/" : without_trailing_slashes(path);
  struct stat st;
  while (folder != "/" && ::stat(folder.c_str(), &st) != 0) {
    folder = parent_path(folder);
  }
  return folder;
}

bool can_create_under(const std::string& path) {
  std::string folder = existing_ancestor(path);
  return is_folder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::vector<std::string> missing_folders(const std::string& path) {
  std::vector<std::string> missing;
  std::string folder = without_trailing_slashes(path);
  struct stat st;
  while (folder != "/" && ::stat(folder.c_str(), &st) != 0) {
    missing.push_back(folder);
    folder = parent_path(folder);
  }
  std::reverse(missing.begin(), missing.end());
  return missing;
}
