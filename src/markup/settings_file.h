// The key-file reader and writer: settings files and data tables are
// markup whose elements of the shape <key>text</key> (at any depth) are the
// settings. Used by the settings record and the formatter's tables.
#ifndef DIRGEN_MARKUP_SETTINGS_FILE_H_
#define DIRGEN_MARKUP_SETTINGS_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "value/name_table.h"
#include "value/variant.h"

// One element of a settings file that holds no other element: a setting
// (<key>text</key>) or an empty one (<key></key>, <key/>).
struct settings_element {
  std::string name;  // lower-cased
  variant value;     // the expanded text; empty for an empty element
  int32_t line = 0;  // the line where its start tag ends, from 1
};

// Reads the file at path and add()s the text of every setting-shaped element
// under its lower-cased name to *table, in file order. True when the whole
// file was read and parsed. False when the file cannot be read (*err :=
// "Can't open file " + path) or the markup is in error (*err := the "Line:
// ..., column: ...\r\nNear by: ..." report); *table then keeps what it held
// before the call.
// When elements is given, it receives every setting and every empty
// element, in file order, so a caller can tell an empty setting from a
// missing one and say where a key stands.
bool load_settings_file(const variant& path, list_table* table,
                        std::string* err,
                        std::vector<settings_element>* elements = nullptr);

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
