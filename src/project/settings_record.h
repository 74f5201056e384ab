// settings_record: the settings record of one listing job, its defaults and
// its settings file (<key>value</key> lines). Owned by the main window or the
// command-line mode; read by the build.
#ifndef DIRGEN_PROJECT_SETTINGS_RECORD_H_
#define DIRGEN_PROJECT_SETTINGS_RECORD_H_

#include <cstdint>
#include <string>

#include "value/variant.h"

class settings_record {
 public:
  // Every field at its default; the two time fields at the current time.
  settings_record();

  // Sets every field back to its default, the time fields to the current
  // UTC time (whole seconds).
  void reset_settings();

  // Resets the record, then reads the settings file at path. True when the
  // file was read and parsed and every key in it is one of the 28 with a
  // value it takes (project/settings_keys.h): a field named in the file
  // holds the text of its first element (the empty text for <key></key>); a
  // field the file does not name keeps its default. False with *err, the
  // line the user is shown, when the file cannot be read ("Can't read
  // site.txt file. " and the system's reason), does not parse, holds no
  // settings (or is UTF-16 text), names an unknown key ("Unknown key "sav"
  // in site.txt line 2; did you mean "save"?") or gives a key a value it
  // does not take; the record then keeps the defaults.
  bool load_settings(const variant& path, std::string* err);

  // Writes the 28 fields as "<key>escaped value</key>\r\n" lines in ascending
  // byte order of the keys. True when the whole file was written; false with
  // *err naming the file and the reason when it could not be created or
  // written (an existing file is left intact).
  bool save_settings(const variant& path, std::string* err) const;

  // The text save_settings writes.
  std::string settings_text() const;

  // The fields; each name is also the key in the settings file. Readers
  // convert on use (as_int / as_int64 / as_bool / text form).
  variant source;
  variant path;
  variant save;
  variant mask;
  variant skip_files;
  variant folder_include;
  variant folder_skip;
  variant subfolders;
  variant subfolders_in_one_file;
  variant date_format;
  variant is_gmt_date;
  variant order_files;
  variant sort_order;
  variant show_summary;
  variant show_folders;
  variant image_dir;
  variant size_units;
  variant format;
  variant url_html_escape;
  variant time_filter;
  variant time_start;  // seconds since 1970-01-01 UTC, see time_value()
  variant time_end;
  variant size_filter;
  variant size_start;
  variant size_end;
  variant base_url;          // prefix of every link; empty: relative links
  variant title;             // page title; empty: the listed folder's name
  variant replace_existing;  // may replace files this program did not write
};

// The number of fields of the record.
constexpr int kSettingsFieldCount = 28;

// The field of record named key (the settings file key), or null for a name
// that is not one of the 28. Lets callers walk or fill fields by name.
variant* settings_field(settings_record* record, const char* key);

// The key of the i-th field in declaration order. REQUIRES: 0 <= i < kSettingsFieldCount.
const char* settings_field_key(int i);

// A time in seconds as a field value. An integer value holds only 32 bits,
// so times are kept as their decimal text, which every reader takes back
// with as_int64() and which a settings file keeps unchanged.
variant time_value(int64_t seconds);

// The system clock's UTC time cut to whole seconds.
int64_t current_utc_seconds();

#endif  // DIRGEN_PROJECT_SETTINGS_RECORD_H_
