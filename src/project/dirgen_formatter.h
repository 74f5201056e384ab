// dirgen_formatter: everything a build needs besides the settings record:
// display names of order keys, directions and size units, the user's number
// format, the extension and content-type lookup tables and the style
// catalogue, all loaded from the kvdata folder. Owned by the main window or
// the command-line mode; read-only once load_tables has run.
#ifndef DIRGEN_PROJECT_DIRGEN_FORMATTER_H_
#define DIRGEN_PROJECT_DIRGEN_FORMATTER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "project/number_format.h"
#include "value/kvhash.h"
#include "value/kvval.h"

class dirgen_formatter {
 public:
  // Name tables filled, number_format read from the user's locale, the five
  // data tables empty.
  dirgen_formatter();
  dirgen_formatter(const dirgen_formatter&) = delete;
  dirgen_formatter& operator=(const dirgen_formatter&) = delete;

  // Reads folder + "/ext2descr.txt", "/ext2img.txt", "/type2descr.txt",
  // "/type2img.txt" and "/styles.txt" into the five tables, each element
  // <key>text</key> appending its text under its lower-cased name. A file
  // that cannot be opened or parsed leaves its table empty and its message
  // set ("Can't open file " + path, or the parser's report).
  void load_tables(const kvval& folder);

  // The catalogue's style_name texts in order (empty without a catalogue).
  std::vector<std::string> style_names() const;
  // The template file of style position n: the n-th style_file value. The
  // empty text when n < 0 (nothing chosen) or there is no style_file list;
  // the integer 0 for a position past the end of the list.
  kvval style_format(int32_t n) const;
  // The first position whose style_file equals format byte for byte, or -1.
  int32_t style_position(const kvval& format) const;
  // The n-th style_description value; the empty text when n < 0 or there is
  // no such list, the integer 0 past its end.
  kvval style_description(int32_t n) const;

  kvhash order_names;      // "0".."4": Unsorted, Name, Extension, Size, Date
  kvhash direction_names;  // "0" Ascending, "1" Descending
  kvhash unit_names;       // "0" Bytes, "1" Kb, "2" Mb
  number_format_record number_format;
  kvcgi ext_descriptions;   // extension (lower case, no dot) -> description
  kvcgi ext_images;         // extension -> icon image file name
  kvcgi type_descriptions;  // major content type, "folder", "other" -> text
  kvcgi type_images;        // same keys -> icon image file name
  kvcgi styles;  // parallel style_name, style_file, style_description lists

 private:
  kvval nth_catalogue_value(const char* key, int32_t n) const;
};

// *result becomes the text "file://" + folder + "images" with every "\"
// turned into "/". folder is expected to end in a separator, so "/opt/x/"
// gives "file:///opt/x/images" and "" gives "file://images".
void local_images_path(const kvval& folder, kvval* result);

#endif  // DIRGEN_PROJECT_DIRGEN_FORMATTER_H_
