// The key-file reader and writer: settings files and data tables are
// markup whose elements of the shape <key>text</key> (at any depth) are the
// settings. Used by the settings record and the formatter's tables.
#ifndef DIRGEN_MARKUP_SETTINGS_FILE_H_
#define DIRGEN_MARKUP_SETTINGS_FILE_H_

#include <string>
#include <vector>

#include "value/name_table.h"
#include "value/variant.h"

// Reads the file at path and add()s the text of every setting-shaped element
// under its lower-cased name to *table, in file order. True when the whole
// file was read and parsed. False when the file cannot be read (*err :=
// "Can't open file " + path) or the markup is in error (*err := the "Line:
// ..., column: ...\r\nNear by: ..." report); *table then keeps what it held
// before the call.
// When empty_keys is given, it receives the lower-cased name of every
// element that is present without text (<key></key> or <key/>), so a
// caller can tell an empty setting from a missing one.
bool load_settings_file(const variant& path, list_table* table,
                        std::string* err,
                        std::vector<std::string>* empty_keys = nullptr);

// The text save_settings_file writes for src: every key in ascending key
// order, one line "<key>html-escaped value</key>\r\n" per value.
std::string settings_text(list_table& src);

// Writes every key of src in ascending key order, one line
// "<key>html-escaped value</key>\r\n" per value, replacing the file with
// write_file_atomically (markup/files.h), flushed to the disk: a symbolic
// link's target is replaced and the link kept, an existing file keeps its
// permission bits and owner. False, *err naming the file and the reason,
// and the old file intact when the file exists but may not be written, or
// the replacement fails.
bool save_settings_file(const variant& path, list_table& src, std::string* err);

#endif  // DIRGEN_MARKUP_SETTINGS_FILE_H_
