#include "setup/uninstall.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "markup/files.h"
#include "platform/checksum.h"
#include "setup/menu_entries.h"
#include "setup/setup_names.h"

namespace {

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string parent_of(const std::string& path) {
  size_t slash = path.rfind('/', path.size() > 1 ? path.size() - 2 : 0);
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

bool writable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// The other installation (in either store) that placed path with the
// content it has now, or the empty text.
std::string other_owner(const install_record& record, const std::string& path,
                        const std::string& current) {
  for (install_scope scope : {install_scope::machine, install_scope::user}) {
    for (const install_record& other : all_records(scope)) {
      if (other.inst_dir == record.inst_dir && other.scope == record.scope)
        continue;
      if (other.sum_of(path) == current) return other.inst_dir;
    }
  }
  return "";
}

void remove_file(const install_record& record, const installed_file& file,
                 uninstall_report* report) {
  if (!exists(file.path)) return;
  std::string current;
  file_sha256(file.path, &current, nullptr);
  std::string owner = other_owner(record, file.path, current);
  if (!owner.empty()) {
    report->kept.push_back(file.path + " (used by the installation in " +
                           owner + ")");
  } else if (current != file.sha256) {
    report->kept.push_back(file.path + " (changed since it was installed)");
  } else if (::unlink(file.path.c_str()) == 0) {
    report->removed.push_back(file.path);
  } else {
    report->failed.push_back(file.path + ": " + std::strerror(errno));
  }
}

std::string base_name(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

// Writes back the menu entries another installation of the same store
// recorded for the paths this one's removal freed, when they are still
// the entries that installation made.
void restore_menu_entries(const install_record& record,
                          uninstall_report* report) {
  for (const installed_file& file : record.files) {
    std::string name = base_name(file.path);
    bool program = name == kProgramEntryFile;
    if ((!program && name != kManualEntryFile) || exists(file.path)) continue;
    for (const install_record& other : all_records(record.scope)) {
      if (other.inst_dir == record.inst_dir) continue;
      std::string text =
          desktop_entry_text(program ? program_entry(other.inst_dir)
                                     : manual_entry(other.inst_dir));
      if (other.sum_of(file.path) != sha256_hex(text)) continue;
      if (write_file_atomically(file.path, text, kInstalledFileOptions,
                                nullptr)) {
        report->restored.push_back(file.path + " for the installation in " +
                                   other.inst_dir);
      }
      break;
    }
  }
}

// What is left in the installation folder once the recorded files are
// gone: the user's own files.
void report_users_files(const install_record& record,
                        uninstall_report* report) {
  std::error_code ec;
  std::vector<std::string> left;
  for (auto it =
           std::filesystem::recursive_directory_iterator(record.inst_dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_directory()) left.push_back(it->path().string());
  }
  std::sort(left.begin(), left.end());
  for (const std::string& path : left) {
    bool told = std::any_of(
        report->kept.begin(), report->kept.end(),
        [&path](const std::string& k) { return k.rfind(path + " (", 0) == 0; });
    if (!told) report->kept.push_back(path + " (not installed by setup)");
  }
}

// Removes the created folders that are empty now, deepest first.
void remove_created_folders(const install_record& record,
                            uninstall_report* report) {
  std::vector<std::string> folders = record.created_folders;
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) {
              return a.size() > b.size();
            });
  for (const std::string& folder : folders) {
    if (!exists(folder)) continue;
    if (::rmdir(folder.c_str()) == 0) {
      report->removed.push_back(folder);
    } else if (errno != ENOTEMPTY && errno != EEXIST) {
      report->failed.push_back(folder + ": " + std::strerror(errno));
    }
  }
}

}  // namespace

bool find_installation(const std::string& own_folder, install_record* record) {
  return load_record(install_scope::machine, own_folder, record) ||
         load_record(install_scope::user, own_folder, record);
}

std::string folder_needing_permission(const install_record& record) {
  std::vector<std::string> folders;
  for (const installed_file& file : record.files) {
    if (exists(file.path)) folders.push_back(parent_of(file.path));
  }
  for (const std::string& folder : record.created_folders) {
    if (exists(folder)) folders.push_back(parent_of(folder));
  }
  if (exists(record_file(record.scope, record.inst_dir)))
    folders.push_back(records_folder(record.scope));
  for (const std::string& folder : folders) {
    if (!writable(folder)) return folder;
  }
  return "";
}

void uninstall(const install_record& record, uninstall_report* report) {
  for (const installed_file& file : record.files)
    remove_file(record, file, report);
  std::string err;
  if (!delete_record(record, &err)) report->failed.push_back(err);
  restore_menu_entries(record, report);
  report_users_files(record, report);
  remove_created_folders(record, report);
}
