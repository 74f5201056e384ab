// "remove", the uninstaller every installation carries: removes the
// installation it belongs to (the folder it runs from) and says on standard
// output what it removed and what it kept. Exit status 0 when everything
// it should remove is gone; 1 when the folder holds no recorded
// installation, when this user lacks the rights to remove it (nothing is
// touched then), or when something could not be removed.
#include <cstdio>
#include <string>

#include "markup/files.h"
#include "setup/setup_names.h"
#include "setup/uninstall.h"

int main() {
  std::string product(kProductName);
  std::string folder = executable_folder();
  install_record record;
  if (!find_installation(folder, &record)) {
    std::printf("%s is not installed in %s.\n", product.c_str(),
                folder.c_str());
    return 1;
  }
  std::string needed = folder_needing_permission(record);
  if (!needed.empty()) {
    std::printf(
        "%s was not removed: removing the installation in %s needs write "
        "permission on %s.\n%s",
        product.c_str(), folder.c_str(), needed.c_str(),
        record.scope == install_scope::machine
            ? "It was installed for everyone: run remove as root (sudo).\n"
            : "");
    return 1;
  }
  uninstall_report report;
  uninstall(record, &report);
  for (const std::string& item : report.removed)
    std::printf("Removed %s\n", item.c_str());
  for (const std::string& item : report.kept)
    std::printf("Kept %s\n", item.c_str());
  for (const std::string& item : report.restored)
    std::printf("Restored %s\n", item.c_str());
  for (const std::string& item : report.failed)
    std::printf("Could not remove %s\n", item.c_str());
  if (!report.failed.empty()) {
    std::printf("%s was not removed completely.\n", product.c_str());
    return 1;
  }
  std::printf("%s has been removed.\n", product.c_str());
  return 0;
}
