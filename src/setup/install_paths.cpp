#include "setup/install_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include "setup/registry.h"
#include "setup/user_folders.h"
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

bool read_inst_dir(registry_root root, std::string* inst_dir) {
  kvhash values;
  values.put(kvval(kInstallFolderValue), kvval(""));
  if (!read_registry(root, kvval(kProductKey), &values)) return false;
  kvval value;
  values.get(kvval(kInstallFolderValue), &value);
  if (value.length() == 0) return false;
  *inst_dir = value.str();
  return true;
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

registry_root install_registry_root() {
  std::string folder =
      existing_ancestor(registry_root_folder(registry_root::machine));
  bool writable = is_folder(folder) && ::access(folder.c_str(), W_OK) == 0;
  return writable ? registry_root::machine : registry_root::current_user;
}

registry_root other_root(registry_root root) {
  return root == registry_root::machine ? registry_root::current_user
                                        : registry_root::machine;
}

bool recorded_installation(std::string* inst_dir) {
  registry_root first = install_registry_root();
  return read_inst_dir(first, inst_dir) ||
         read_inst_dir(other_root(first), inst_dir);
}

bool default_destination(std::string* destination, bool* previous) {
  std::string inst_dir;
  if (recorded_installation(&inst_dir)) {
    *destination = parent_of_installation(inst_dir);
    *previous = true;
    return true;
  }
  *previous = false;
  kvval program_files;
  if (!program_files_folder(&program_files) || program_files.length() == 0)
    return false;
  *destination = installation_folder_for(program_files.str());
  destination->resize(destination->size() - kInstallSubfolder.size());
  *destination += kVendorFolder;
  return true;
}

std::string existing_ancestor(const std::string& path) {
  std::string folder = path.empty() ? "/" : without_trailing_slashes(path);
  struct stat st;
  while (folder != "/" && ::stat(folder.c_str(), &st) != 0) {
    folder = parent_path(folder);
  }
  return folder;
}
