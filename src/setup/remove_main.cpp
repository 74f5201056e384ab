// "remove", the uninstaller the installer registers: removes the recorded
// installation and says on standard output what it removed. Exit status 0
// when an installation was found and removed, 1 otherwise.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "setup/setup_names.h"
#include "setup/uninstall.h"

namespace {

// The folder of this program, with a trailing "/".
std::string own_folder() {
  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  std::string folder(path, static_cast<size_t>(n));
  return folder.substr(0, folder.rfind('/') + 1);
}

}  // namespace

int main() {
  std::string product(kProductName);
  installation_record record;
  if (!find_installation(own_folder(), &record)) {
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
