// Crash-safe file replacement, used by the registry store and the shortcut
// writer: the new content goes to a temporary file in the same folder, is
// flushed to disk and then renamed over the target, so a reader sees either
// the old file or the new one, never a half-written one.
#ifndef DIRGEN_PLATFORM_ATOMIC_FILE_H_
#define DIRGEN_PLATFORM_ATOMIC_FILE_H_

#include <string>
#include <string_view>

// Replaces (or creates) the file at path with bytes, mode 0644.
// Returns true on success. On failure returns false, sets *err (if err is
// non-null) to a short reason, leaves any existing file at path untouched
// and removes the temporary file.
// REQUIRES: the folder of path exists.
bool write_file_atomically(const std::string& path, std::string_view bytes,
                           std::string* err);

// Reads the whole file at path into *bytes. Returns false (and sets *err)
// when it cannot be opened or read.
bool read_whole_file(const std::string& path, std::string* bytes,
                     std::string* err);

// Creates folder path and every missing parent (mode 0755). Returns true when
// the folder exists afterwards.
bool make_folders(const std::string& path, std::string* err);

#endif  // DIRGEN_PLATFORM_ATOMIC_FILE_H_
