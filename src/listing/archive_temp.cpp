#include "listing/archive_temp.h"

#include <stdlib.h>
#include <unistd.h>

#include <string>

bool make_temp_file(kvval* destination) {
  *destination = kvval("");
  const char* dir = getenv("TMPDIR");
  std::string path = (dir && *dir) ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  path += "dirgen-XXXXXX";
  int fd = mkstemp(path.data());
  if (fd < 0) return false;
  close(fd);
  *destination = kvval(std::string_view(path));
  return true;
}
