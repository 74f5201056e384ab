// The record of one installation: where it is, the checksum of every file
// it placed (in the installation folder, the menu and the icon theme) and
// the folders it had to create. Each installation folder has its own record
// under the product key, so two installations never confuse each other;
// the uninstaller removes exactly what its own record lists, unless the
// user changed it since.
//
// Stored in the registry store the installation belongs to, as the key
// "Software/Kovix/DGN2/<id>" (id: the first 16 hex digits of the SHA-256 of
// the installation folder) with the values "inst_dir", "files" (one line
// per file in the sha256sum format, "<hex>  <path>") and "folders" (one
// folder per line, outermost first), plus "DisplayName" and
// "UninstallString" that name the product and its uninstaller.
#ifndef DIRGEN_SETUP_INSTALL_RECORD_H_
#define DIRGEN_SETUP_INSTALL_RECORD_H_

#include <string>
#include <vector>

#include "setup/registry_store.h"

struct installed_file {
  std::string path;    // absolute
  std::string sha256;  // of the content as installed, lower-case hex

  bool operator==(const installed_file&) const = default;
};

struct install_record {
  registry_root root = registry_root::machine;
  std::string inst_dir;  // the installation folder, with its trailing "/"
  std::vector<installed_file> files;
  std::vector<std::string> created_folders;  // outermost first

  // The checksum recorded for path, or the empty text.
  std::string sum_of(const std::string& path) const;
};

// The key of the record of inst_dir.
std::string record_key(const std::string& inst_dir);

// The "files" value: one "<hex>  <path>" line per file. A path holding "\"
// or a newline is written with them escaped and the line starts with "\",
// as sha256sum does.
std::string files_text(const std::vector<installed_file>& files);
// Reads files_text back; false when a line is malformed.
bool parse_files_text(const std::string& text,
                      std::vector<installed_file>* files);

// Writes the record (creating its key), and makes it the installation the
// product key names ("inst_dir" of the product key). Returns false with the
// reason in *err when the store cannot be written.
bool save_record(const install_record& record, std::string* err);

// The record of inst_dir in root. False when there is none or it is
// damaged.
bool load_record(registry_root root, const std::string& inst_dir,
                 install_record* record);

// Every record in root, in no particular order.
std::vector<install_record> all_records(registry_root root);

// Deletes the record's key. When the product key named this installation,
// it names another recorded one afterwards, or is deleted together with
// the keys above it that are left empty. Returns false when the record's
// key could not be deleted.
bool delete_record(const install_record& record);

#endif  // DIRGEN_SETUP_INSTALL_RECORD_H_
