// "remove", the uninstaller the installer registers: removes the recorded
// installation and says on standard output what it removed. Exit status 0
// when an installation was found and removed, 1 otherwise.
#include <cstdio>
#include <string>

#include "markup/files.h"
#include "setup/setup_names.h"
#include "setup/uninstall.h"

int main() {
  std::string product(kProductName);
  installation_record record;
  if (!find_installation(executable_folder(), &record)) {
    std::printf("%s is not installed.\n", product.c_str());
    return 1;
  }
  uninstall_report report;
  uninstall(record, &report);
  for (const std::string& item : report.removed)
    std::printf("Removed %s\n", item.c_str());
  for (const std::string& item : report.kept)
    std::printf("Left %s\n", item.c_str());
  std::printf("%s has been removed.\n", product.c_str());
  return 0;
}
