// The uninstaller's work: finding the recorded installation and removing
// exactly what the installer made: the installed files and data folders,
// the Start-menu folder with its two shortcuts, and the product and
// uninstall registry keys (with the parent keys they leave empty). Nothing
// outside the recorded installation folder and Start-menu folder is
// touched. Used by the "remove" program.
#ifndef DIRGEN_SETUP_UNINSTALL_H_
#define DIRGEN_SETUP_UNINSTALL_H_

#include <string>
#include <vector>

#include "setup/registry_store.h"

struct installation_record {
  registry_root root = registry_root::machine;  // the store it is recorded in
  std::string inst_dir;  // the installation folder, with its trailing "/"
  std::string icon_dir;  // the Start-menu folder; empty when not recorded
};

// Finds the recorded installation: among the stores (machine-wide, then
// current user) that hold the product key with a non-empty "inst_dir", the
// one whose folder is own_folder (the uninstaller's folder, trailing "/"),
// else the first. Returns false when none is recorded.
bool find_installation(const std::string& own_folder,
                       installation_record* record);

struct uninstall_report {
  std::vector<std::string> removed;  // paths and keys removed
  std::vector<std::string> kept;     // what was left, with the reason
};

// Removes the installation described by record and says what it did.
// The installation folder must be an absolute path ending in "/DGN2/" and
// the Start-menu folder must be named "Kovix Dirgen"; otherwise that folder
// is left alone (reported in kept). Only the known file names, the files
// directly inside the data folders, and folders that are then empty are
// removed.
void uninstall(const installation_record& record, uninstall_report* report);

#endif  // DIRGEN_SETUP_UNINSTALL_H_
