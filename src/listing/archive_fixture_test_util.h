// Helpers for the archive reader tests: tar blocks built by hand, gzip and
// zip files written through zlib and minizip, and a compact text form of a
// tree.
#ifndef DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_
#define DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "listing/kvfile_tree.h"

// One tar header field set; unset magic gives a pre-POSIX header.
struct tar_fields {
  std::string name = "";
  char type = '0';
  int64_t size = 0;
  int64_t mtime = 1000;
  std::string magic = "";   // e.g. std::string("ustar\0" "00", 8)
  std::string prefix = "";  // ustar prefix field
  bool bad_checksum = false;
  bool base256_size = false;
};

// A 512-byte header block for fields, with its checksum filled in.
std::string tar_block(const tar_fields& fields);
// A header for fields followed by data padded to whole blocks;
// fields.size is taken from data.
std::string tar_member(tar_fields fields, const std::string& data);
// A tar archive of regular files and folders ("name/" makes a folder),
// ending with two zero blocks.
std::string tar_of(const std::vector<std::string>& names);
// Two zero blocks.
std::string tar_end();

// Writes bytes gzip-compressed to path; false on failure.
bool write_gzip(const std::string& path, const std::string& bytes);

// One zip entry: name, contents, stored local time (year, month 0..11).
struct zip_entry {
  std::string name = "";
  std::string data = "";
  int year = 2020, mon = 5, mday = 15, hour = 12, min = 34, sec = 56;
};
// Writes a zip of the entries to path; false on failure.
bool write_zip(const std::string& path, const std::vector<zip_entry>& entries);

// The tree in pre-order: names separated by ",", each folder's children in
// "(...)" after it, e.g. "docs(a.txt,b.txt),x.bin"; a node with valid 0 is
// marked "!".
std::string archive_shape(const kvfile_tree& tree);

// The first node in pre-order whose name is name, or null.
const kvfile_node* find_node(const kvfile_tree& tree, const std::string& name);

#endif  // DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_
