// Helpers for the archive reader tests: tar blocks built by hand (for
// damage no tool would write), the archive tools run through the shell, and
// a compact text form of a tree.
#ifndef DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_
#define DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "listing/file_tree.h"

// One tar header field set; unset magic gives a pre-POSIX header.
struct tar_fields {
  std::string name = "";
  char type = '0';
  int64_t size = 0;
  int64_t mtime = 1000;
  std::string magic = "";  // e.g. std::string("ustar\0" "00", 8)
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

// True when the program name is found on PATH.
bool have_tool(const std::string& name);
// Runs command with /bin/sh; true when it exits 0. With output, standard
// output is collected there.
bool run_command(const std::string& command, std::string* output = nullptr);
// text in single quotes for the shell.
std::string shell_quoted(const std::string& text);

// Writes bytes gzip-compressed to path with the gzip tool; false on failure.
bool write_gzip(const std::string& path, const std::string& bytes);

// The tree in pre-order: names separated by ",", each folder's children in
// "(...)" after it, e.g. "docs(a.txt,b.txt),x.bin".
std::string archive_shape(const file_tree& tree);

// The first node in pre-order whose name is name, or null.
const file_node* find_node(const file_tree& tree, const std::string& name);

// Writes folder/five.tar with GNU tar: five small text files, one of them
// in a subfolder. False when tar fails.
bool make_five_file_gnu_tar(const std::string& folder);

// length letters a-z drawn from *seed (advanced): text that deflate cannot
// shrink much, so damage in the middle of a gzip lands in real data.
std::string random_letters(uint32_t* seed, size_t length);

#endif  // DIRGEN_LISTING_ARCHIVE_FIXTURE_TEST_UTIL_H_
