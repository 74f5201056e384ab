#include "setup/setup_services.h"

#include <sys/statvfs.h>

bool statvfs_free_space(const std::string& folder, uint64_t* bytes) {
  struct statvfs info;
  if (::statvfs(folder.c_str(), &info) != 0) return false;
  *bytes = static_cast<uint64_t>(info.f_bavail) *
           static_cast<uint64_t>(info.f_frsize);
  return true;
}
