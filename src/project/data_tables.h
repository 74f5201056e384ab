// data_tables: everything a build needs besides the settings record:
// display names of order keys, directions and size units, the user's number
// format, the extension and content-type lookup tables and the style
// catalogue, all loaded from the kvdata folder. Owned by the main window or
// the command-line mode; read-only once load_tables has run.
#ifndef DIRGEN_PROJECT_DATA_TABLES_H_
#define DIRGEN_PROJECT_DATA_TABLES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "project/number_format.h"
#include "value/name_table.h"
#include "value/variant.h"

class data_tables {
 public:
  // Name tables filled, number_format read from the user's locale, the five
  // data tables empty.
  data_tables();
  data_tables(const data_tables&) = delete;
  data_tables& operator=(const data_tables&) = delete;

  // Reads folder + "/ext2descr.txt", "/ext2img.txt", "/type2descr.txt",
  // "/type2img.txt" and "/styles.txt" into the five tables, each element
  // <key>text</key> appending its text under its lower-cased name. A file
  // that cannot be opened or parsed leaves its table empty and its message
  // set ("Can't open file " + path, or the parser's report).
  void load_tables(const variant& folder);

  // The catalogue's style_name texts in order (empty without a catalogue).
  std::vector<std::string> style_names() const;
  // The template file of style position n: the n-th style_file value. The
  // empty text when n < 0 (nothing chosen) or there is no style_file list;
  // the integer 0 for a position past the end of the list.
  variant style_format(int32_t n) const;
  // The first position whose style_file equals format byte for byte, or -1.
  int32_t style_position(const variant& format) const;
  // The n-th style_description value; the empty text when n < 0 or there is
  // no such list, the integer 0 past its end.
  variant style_description(int32_t n) const;

  name_table order_names;  // "0".."4": Unsorted, Name, Extension, Size, Date
  name_table direction_names;  // "0" Ascending, "1" Descending
  name_table unit_names;       // "0" Bytes, "1" Kb, "2" Mb
  number_format_record number_format;
  loaded_table
      ext_descriptions;     // extension (lower case, no dot) -> description
  loaded_table ext_images;  // extension -> icon image file name
  loaded_table
      type_descriptions;     // major content type, "folder", "other" -> text
  loaded_table type_images;  // same keys -> icon image file name
  loaded_table
      styles;  // parallel style_name, style_file, style_description lists

 private:
  variant nth_catalogue_value(const char* key, int32_t n) const;
};

// *result becomes the text "file://" + folder + "images" with every "\"
// turned into "/". folder is expected to end in a separator, so "/opt/x/"
// gives "file:///opt/x/images" and "" gives "file://images".
void local_images_path(const variant& folder, variant* result);

#endif  // DIRGEN_PROJECT_DATA_TABLES_H_
