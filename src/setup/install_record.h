// The record of one installation: where it is, the checksum of every file
// it placed (in the installation folder, the menu and the icon theme) and
// the folders it had to create. Each installation folder has its own
// record, so two installations never confuse each other; the uninstaller
// removes exactly what its own record lists, unless the user changed it
// since.
//
// A record is one plain text file, replaced atomically, named by the
// installation folder (the first 16 hex digits of its SHA-256, then
// ".record") in the records folder of its scope. Its lines are "key value":
//
//   dirgen installation record 1        (the first line, exactly)
//   folder /opt/Kovix/DGN2/             the installation folder
//   product Dirgen 2.0                  for a person reading the folder
//   remover /opt/Kovix/DGN2/remove      likewise: what removes it
//   sequence 3                          the latest installation's is highest
//   created /opt/Kovix                  one per created folder, outermost
//   created /opt/Kovix/DGN2               first
//   file <64 hex digits> <path>         one per placed file
//
// In a value "\" is written "\\" and a newline "\n". Unknown keys are
// skipped, so that an older remover still reads a newer record.
//
// Thread safety: the functions may be called from any thread; two
// processes saving records of one scope at once may give both the same
// sequence (the latest is then either).
#ifndef DIRGEN_SETUP_INSTALL_RECORD_H_
#define DIRGEN_SETUP_INSTALL_RECORD_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Who an installation is for, and so which records folder holds its
// record.
enum class install_scope { machine, user };

// The records folder of scope: $DIRGEN_INSTALLATIONS_MACHINE, else
// /var/lib/dirgen/installations, for the machine; $DIRGEN_INSTALLATIONS_USER,
// else $XDG_DATA_HOME/dirgen/installations (~/.local/share/...), for the
// user. Tests point both at temporary folders.
std::string records_folder(install_scope scope);

struct installed_file {
  std::string path;    // absolute
  std::string sha256;  // of the content as installed, lower-case hex

  bool operator==(const installed_file&) const = default;
};

struct install_record {
  install_scope scope = install_scope::machine;
  std::string inst_dir;  // the installation folder, with its trailing "/"
  std::vector<installed_file> files;
  std::vector<std::string> created_folders;  // outermost first
  uint64_t sequence = 0;                     // given by save_record

  // The checksum recorded for path, or the empty text.
  std::string sum_of(const std::string& path) const;
};

// The file that holds the record of inst_dir in scope.
std::string record_file(install_scope scope, const std::string& inst_dir);

// The record's text as above, and back (the scope is not part of it; a
// record read back keeps *record's). parse_record_text returns false, with
// *record untouched, when the first line is not the header, a line has no
// key, a "file" line is malformed or the folder is missing.
std::string record_text(const install_record& record);
bool parse_record_text(std::string_view text, install_record* record);

// Writes the record, creating the records folder, with a sequence above
// every other record of its scope, so that it becomes the latest. Returns
// false, with the file and the reason in *err, when it cannot be written.
bool save_record(const install_record& record, std::string* err);

// The record of inst_dir in scope. False when there is none, or it is
// unreadable or damaged.
bool load_record(install_scope scope, const std::string& inst_dir,
                 install_record* record);

// Every readable record of scope, in no particular order.
std::vector<install_record> all_records(install_scope scope);

// The record of scope saved last. False when scope has none.
bool latest_record(install_scope scope, install_record* record);

// Deletes the record's file. Returns false, with the file and the reason
// in *err, when it could not be deleted (or was gone already).
bool delete_record(const install_record& record, std::string* err);

#endif  // DIRGEN_SETUP_INSTALL_RECORD_H_
