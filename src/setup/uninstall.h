// The uninstaller's work: finding the installation a "remove" program
// belongs to and removing what its record lists: every recorded file the
// user has not changed since, the folders the installation created once
// they are empty, and the record itself. Files the user changed or made are
// kept and reported. Nothing the record does not list is touched. Used by
// the "remove" program.
#ifndef DIRGEN_SETUP_UNINSTALL_H_
#define DIRGEN_SETUP_UNINSTALL_H_

#include <string>
#include <vector>

#include "setup/install_record.h"

// The installation whose folder is own_folder (the uninstaller's folder,
// with its trailing "/"), recorded in either store (machine-wide first).
// Returns false when none is.
bool find_installation(const std::string& own_folder, install_record* record);

// The first folder this user would have to write in to remove the
// installation (a recorded file's folder, the parent of a folder to remove,
// the records folder), or the empty text when every one is
// writable. Checked before anything is removed, so that a removal without
// the rights changes nothing.
std::string folder_needing_permission(const install_record& record);

struct uninstall_report {
  std::vector<std::string> removed;   // paths removed
  std::vector<std::string> kept;      // path and why it stays
  std::vector<std::string> restored;  // menu entries given back to another
                                      // installation, and to which
  std::vector<std::string> failed;    // path and the system's reason
};

// Removes the installation described by record and says what it did. It
// removed everything it should when report->failed is empty afterwards.
// The menu entries are shared by the installations of one store, the
// latest having written them: when they go, another recorded installation
// gets its own entries back.
void uninstall(const install_record& record, uninstall_report* report);

#endif  // DIRGEN_SETUP_UNINSTALL_H_
