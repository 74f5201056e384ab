// Whole files and folders: crash-safe replacement of a file, reading a file
// whole, creating a folder path, the running program's folder, and owning
// handles for stdio streams and folder streams. The one home of these rules
// for every layer from the settings files up.
//
// Thread safety: every function may be called from any thread; concurrent
// writers of the same path leave one of their contents (the last rename).
#ifndef DIRGEN_MARKUP_FILES_H_
#define DIRGEN_MARKUP_FILES_H_

#include <dirent.h>
#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "markup/replacement_file.h"

// Replaces (or creates) the file at path with bytes through a
// replacement_file (replacement_file.h), as options say: a reader sees
// either the old file or the new one, never a half-written one. Settings
// and the installer's files pass options.sync, so that a reboot keeps the
// old or the new file too.
// Returns true on success. On failure returns false, sets *err (when err is
// non-null) to the path and the reason; any existing file at path is left
// untouched and no temporary file remains.
bool write_file_atomically(const std::string& path, std::string_view bytes,
                           const replace_options& options, std::string* err);

// Splits path at its last "/": *folder := what comes before it ("/" for a
// file in the root, "" when path has no "/"), *name := what comes after.
void split_path(const std::string& path, std::string* folder,
                std::string* name);

// Reads the whole file at path into *bytes. Returns false (and sets *err)
// when it cannot be opened or read.
bool read_whole_file(const std::string& path, std::string* bytes,
                     std::string* err);

// Creates folder path and every missing parent (mode 0755). Returns true when
// the folder exists afterwards; otherwise false and *err says why.
bool make_folders(const std::string& path, std::string* err);

// The folder of the running executable (/proc/self/exe), ending in "/";
// empty when the system does not say.
std::string executable_folder();

// Owning handles: the stream is closed when the handle goes. Close a
// written stream by hand (fclose(handle.release())) to see its result.
struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using unique_file = std::unique_ptr<std::FILE, file_closer>;

struct dir_closer {
  void operator()(DIR* d) const { ::closedir(d); }
};
using unique_dir = std::unique_ptr<DIR, dir_closer>;

#endif  // DIRGEN_MARKUP_FILES_H_
