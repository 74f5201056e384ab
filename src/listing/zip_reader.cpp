#include "listing/zip_reader.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "listing/archive_folders.h"

namespace {

int64_t local_to_utc(const tm_unz& d) {
  struct tm t = {};
  t.tm_year = static_cast<int>(d.tm_year) - 1900;
  t.tm_mon = static_cast<int>(d.tm_mon);
  t.tm_mday = static_cast<int>(d.tm_mday);
  t.tm_hour = static_cast<int>(d.tm_hour);
  t.tm_min = static_cast<int>(d.tm_min);
  t.tm_sec = static_cast<int>(d.tm_sec);
  t.tm_isdst = -1;  // let the time-zone rules for that date decide
  return static_cast<int64_t>(mktime(&t));
}

// The uncompressed size from the zip64 extra field (id 0x0001) of a
// central directory entry whose 32-bit size field is 0xFFFFFFFF; the size
// comes first in that field. minizip does not always apply it itself.
uint64_t zip64_size(const std::string& extra, uint64_t size) {
  auto le = [&](size_t at, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) {
      v = (v << 8) | static_cast<unsigned char>(extra[at + i]);
    }
    return v;
  };
  for (size_t at = 0; at + 4 <= extra.size();) {
    uint64_t id = le(at, 2), len = le(at + 2, 2);
    if (id == 1 && len >= 8 && at + 12 <= extra.size()) return le(at + 4, 8);
    at += 4 + len;
  }
  return size;
}

// The entry's path as the listing uses it: a trailing NUL, then a
// trailing "/", then a leading "/" are dropped.
std::string entry_path(std::string name) {
  if (!name.empty() && name.back() == '\0') name.pop_back();
  if (!name.empty() && name.back() == '/') name.pop_back();
  if (!name.empty() && name.front() == '/') name.erase(0, 1);
  return name;
}

// Creates the folders of path that are not in the tree yet, below parent,
// and returns the deepest. path keeps its last component.
kvfile_node* make_folders(std::string* path, kvfile_node* parent,
                          int64_t build_time, archive_folders* folders) {
  size_t slash;
  while ((slash = path->find('/')) != std::string::npos) {
    kvfile_node* made =
        folders->make_node(std::string_view(*path).substr(0, slash), true);
    made->time = build_time;
    folders->append(made, parent);
    parent = made;
    path->erase(0, slash + 1);
  }
  return parent;
}

// Adds the current entry of zip to the tree. Returns false when its
// information cannot be read.
bool read_zip_entry(unzFile zip, int64_t build_time, archive_folders* folders) {
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) !=
      UNZ_OK) {
    return false;
  }
  if (info.uncompressed_size == 0) return true;
  std::string name(info.size_filename, '\0');
  std::string extra(info.size_file_extra, '\0');
  if (unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(),
                              extra.data(), extra.size(), nullptr,
                              0) != UNZ_OK) {
    return false;
  }
  uint64_t size = info.uncompressed_size;
  if (size == 0xFFFFFFFF) size = zip64_size(extra, size);
  std::string path = entry_path(std::move(name));
  kvfile_node* parent = folders->walk_down(&path);
  parent = make_folders(&path, parent, build_time, folders);
  kvfile_node* node = folders->make_node(path, false);
  node->size = static_cast<int64_t>(
      std::min<uint64_t>(size, std::numeric_limits<int64_t>::max()));
  node->time = local_to_utc(info.tmu_date);
  folders->append(node, parent);
  return true;
}

// Reads every entry of an open archive: 0, or 3 when the directory has no
// first entry or cannot be read to its end.
int read_entries(unzFile zip, kvfile_tree* tree) {
  archive_folders folders(tree);
  const int64_t build_time = static_cast<int64_t>(time(nullptr));
  if (unzGoToFirstFile(zip) != UNZ_OK) return 3;
  for (;;) {
    if (!read_zip_entry(zip, build_time, &folders)) return 3;
    int next = unzGoToNextFile(zip);
    if (next == UNZ_END_OF_LIST_OF_FILE) return 0;
    if (next != UNZ_OK) return 3;
  }
}

// True when path holds a zip without entries: its end-of-directory record
// at offset 0 with an entry count of 0. minizip cannot open such a file,
// but it is a zip archive, only an empty one.
bool is_empty_zip(const std::string& path) {
  unsigned char rec[22];
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  bool full = fread(rec, 1, sizeof(rec), f) == sizeof(rec);
  fclose(f);
  return full && memcmp(rec, "PK\x05\x06", 4) == 0 && rec[10] == 0 &&
         rec[11] == 0;
}

}  // namespace

int read_zip(const kvval& path, kvfile_tree* tree) {
  tree->clear();
  const std::string file = path.str();
  unzFile zip = unzOpen64(file.c_str());
  if (!zip) return is_empty_zip(file) ? 3 : 1;
  int result = read_entries(zip, tree);
  unzClose(zip);
  return result;
}
