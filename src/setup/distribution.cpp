#include "setup/distribution.h"

#include <sys/stat.h>

#include "listing/file_tree.h"
#include "listing/scan_folder.h"
#include "setup/setup_names.h"

bool file_size_of(const std::string& path, uint64_t* size) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool list_folder_files(const std::string& folder,
                       std::vector<distribution_file>* files) {
  files->clear();
  file_tree tree;
  // "*" lists every entry (the "*.*" of the original platform's meaning).
  if (!scan_folder(variant(std::string_view(folder)), &tree, nullptr,
                   variant("*"))) {
    return false;
  }
  for (const file_node* n = tree.root(); n != nullptr; n = n->next_sibling) {
    if (n->is_folder) continue;
    files->push_back({std::string(n->full_name()),
                      n->size > 0 ? static_cast<uint64_t>(n->size) : 0});
  }
  return true;
}

bool check_distribution(const std::string& folder, uint64_t* total,
                        std::string* err) {
  uint64_t sum = 0;
  for (std::string_view name : kDistributionFiles) {
    std::string path = folder + "/" + std::string(name);
    uint64_t size = 0;
    if (!file_size_of(path, &size)) {
      *err = path + " is missing";
      return false;
    }
    sum += size;
  }
  for (std::string_view name : kDistributionFolders) {
    std::string path = folder + "/" + std::string(name);
    std::vector<distribution_file> files;
    if (!list_folder_files(path, &files)) {
      *err = path + " is missing or cannot be read";
      return false;
    }
    for (const distribution_file& f : files) sum += f.size;
  }
  for (std::string_view name : kRequiredDataFiles) {
    std::string path = folder + "/" + std::string(name);
    uint64_t size = 0;
    if (!file_size_of(path, &size)) {
      *err = path + " is missing";
      return false;
    }
  }
  *total = sum;
  return true;
}

std::string incomplete_distribution_message(const std::string& err) {
  return "The distribution is incomplete.\n" + err + ".\nTerminating.";
}

std::string required_space_line(uint64_t total,
                                const number_format_record& fmt) {
  int64_t kb = static_cast<int64_t>(total / 1024) + 1;
  return "The program requires " + format_integer(fmt, kb) +
         " Kb of the disk space.";
}
