#include "setup/uninstall.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "markup/files.h"
#include "platform/registry.h"
#include "setup/setup_names.h"

namespace {

bool ends_with(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         s.substr(s.size() - suffix.size()) == suffix;
}

bool read_record(registry_root root, installation_record* record) {
  kvhash values;
  values.put(kvval(kInstallFolderValue), kvval(""));
  values.put(kvval(kStartMenuValue), kvval(""));
  if (!read_registry(root, kvval(kProductKey), &values)) return false;
  kvval inst_dir, icon_dir;
  values.get(kvval(kInstallFolderValue), &inst_dir);
  values.get(kvval(kStartMenuValue), &icon_dir);
  if (inst_dir.length() == 0) return false;
  record->root = root;
  record->inst_dir = inst_dir.str();
  record->icon_dir = icon_dir.str();
  return true;
}

// Removes a file or symbolic link (never a folder).
void remove_file(const std::string& path, uninstall_report* report) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return;
  if (::unlink(path.c_str()) == 0) {
    report->removed.push_back(path);
  } else {
    report->kept.push_back(path + " (cannot be removed)");
  }
}

// Removes folder when it is empty.
void remove_empty_folder(const std::string& folder, uninstall_report* report) {
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (::rmdir(folder.c_str()) == 0) {
    report->removed.push_back(folder);
  } else {
    report->kept.push_back(folder + " (not empty)");
  }
}

// The files directly inside a data folder (the installer copied those).
void remove_data_folder(const std::string& folder, uninstall_report* report) {
  unique_dir dir(::opendir(folder.c_str()));
  if (!dir) return;
  std::vector<std::string> names;
  while (struct dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  dir.reset();
  for (const std::string& name : names)
    remove_file(folder + "/" + name, report);
  remove_empty_folder(folder, report);
}

void remove_installation_folder(const std::string& inst_dir,
                                uninstall_report* report) {
  std::string tail = "/" + std::string(kInstallSubfolder) + "/";
  if (inst_dir.empty() || inst_dir.front() != '/' ||
      !ends_with(inst_dir, tail)) {
    report->kept.push_back(inst_dir + " (not an installation folder)");
    return;
  }
  for (std::string_view name : kDistributionFiles)
    remove_file(inst_dir + std::string(name), report);
  remove_file(inst_dir + std::string(kProgramFile), report);
  for (std::string_view name : kDistributionFolders)
    remove_data_folder(inst_dir + std::string(name), report);
  remove_empty_folder(inst_dir.substr(0, inst_dir.size() - 1), report);
}

void remove_start_menu(const std::string& icon_dir, uninstall_report* report) {
  if (icon_dir.empty()) return;
  if (icon_dir.front() != '/' ||
      !ends_with(icon_dir, "/" + std::string(kStartMenuFolder))) {
    report->kept.push_back(icon_dir + " (not a Start-menu folder)");
    return;
  }
  remove_file(icon_dir + "/" + std::string(kProgramShortcutFile), report);
  remove_file(icon_dir + "/" + std::string(kHelpShortcutFile), report);
  remove_empty_folder(icon_dir, report);
}

// Deletes key, then each key above it that is left with neither values nor
// sub-keys.
void remove_key(registry_root root, std::string key, uninstall_report* report) {
  if (!registry_key::remove(root, key, false)) return;
  report->removed.push_back("registry key " + key);
  for (size_t slash = key.rfind('/'); slash != std::string::npos;
       slash = key.rfind('/')) {
    key.resize(slash);
    if (!registry_key::remove(root, key, true)) return;
  }
}

}  // namespace

bool find_installation(const std::string& own_folder,
                       installation_record* record) {
  installation_record found[2];
  bool has[2] = {read_record(registry_root::machine, &found[0]),
                 read_record(registry_root::current_user, &found[1])};
  for (int i = 0; i < 2; ++i) {
    if (has[i] && found[i].inst_dir == own_folder) {
      *record = found[i];
      return true;
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (has[i]) {
      *record = found[i];
      return true;
    }
  }
  return false;
}

void uninstall(const installation_record& record, uninstall_report* report) {
  remove_installation_folder(record.inst_dir, report);
  remove_start_menu(record.icon_dir, report);
  remove_key(record.root, std::string(kUninstallKey), report);
  remove_key(record.root, std::string(kProductKey), report);
}
