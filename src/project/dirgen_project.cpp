#include "project/dirgen_project.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "markup/settings_file.h"
#include "value/kvhash.h"

namespace {

struct FieldEntry {
  const char* key;
  kvval dirgen_project::*member;
};

// Declaration order of the record.
constexpr FieldEntry kFields[kProjectFieldCount] = {
    {"source", &dirgen_project::source},
    {"path", &dirgen_project::path},
    {"save", &dirgen_project::save},
    {"mask", &dirgen_project::mask},
    {"skip_files", &dirgen_project::skip_files},
    {"folder_include", &dirgen_project::folder_include},
    {"folder_skip", &dirgen_project::folder_skip},
    {"subfolders", &dirgen_project::subfolders},
    {"subfolders_in_one_file", &dirgen_project::subfolders_in_one_file},
    {"date_format", &dirgen_project::date_format},
    {"is_gmt_date", &dirgen_project::is_gmt_date},
    {"order_files", &dirgen_project::order_files},
    {"sort_order", &dirgen_project::sort_order},
    {"show_summary", &dirgen_project::show_summary},
    {"show_folders", &dirgen_project::show_folders},
    {"image_dir", &dirgen_project::image_dir},
    {"size_units", &dirgen_project::size_units},
    {"format", &dirgen_project::format},
    {"url_html_escape", &dirgen_project::url_html_escape},
    {"time_filter", &dirgen_project::time_filter},
    {"time_start", &dirgen_project::time_start},
    {"time_end", &dirgen_project::time_end},
    {"size_filter", &dirgen_project::size_filter},
    {"size_start", &dirgen_project::size_start},
    {"size_end", &dirgen_project::size_end},
};

}  // namespace

dirgen_project::dirgen_project() { reset_settings(); }

void dirgen_project::reset_settings() {
  source = kvval(0);
  path = kvval("");
  save = kvval("index.html");
  mask = kvval("*");
  skip_files = kvval("");
  folder_include = kvval("*");
  folder_skip = kvval("");
  subfolders = kvval(false);
  subfolders_in_one_file = kvval(false);
  date_format = kvval("%c");
  is_gmt_date = kvval(false);
  order_files = kvval(0);
  sort_order = kvval(false);
  show_summary = kvval(false);
  show_folders = kvval(true);
  image_dir = kvval("/images/public");
  size_units = kvval(0);
  format = kvval("download.txt");
  url_html_escape = kvval(false);
  time_filter = kvval(false);
  const int64_t now = current_utc_seconds();
  time_start = time_value(now);
  time_end = time_value(now);
  size_filter = kvval(false);
  size_start = kvval(0);
  size_end = kvval(1048576);
}

bool dirgen_project::load_settings(const kvval& file, std::string* err) {
  reset_settings();
  kvhash_array table;
  std::vector<std::string> empty;
  if (!load_settings_file(file, &table, err, &empty)) return false;
  // The first occurrence of each key wins; a key written without a value
  // is the empty text; a key the file leaves out keeps its default (as
  // text, like every loaded field), so a hand-written file needs only the
  // keys it changes.
  for (const FieldEntry& f : kFields) {
    kvval& field = this->*f.member;
    kvval value;
    if (table.first(kvval(f.key), &value) ||
        std::find(empty.begin(), empty.end(), f.key) != empty.end()) {
      field = std::move(value);  // first() gives the empty text if absent
    }
    field.convert(KV_TEXT);
  }
  return true;
}

bool dirgen_project::save_settings(const kvval& file, std::string* err) const {
  kvhash_array table;
  for (const FieldEntry& f : kFields) table.put(kvval(f.key), this->*f.member);
  return save_settings_file(file, table, err);
}

kvval* project_field(dirgen_project* record, const char* key) {
  if (record == nullptr || key == nullptr) return nullptr;
  for (const FieldEntry& f : kFields) {
    if (std::strcmp(f.key, key) == 0) return &(record->*f.member);
  }
  return nullptr;
}

const char* project_field_key(int i) {
  assert(i >= 0 && i < kProjectFieldCount);
  return kFields[i].key;
}

kvval time_value(int64_t seconds) {
  return kvval(std::string_view(std::to_string(seconds)));
}

int64_t current_utc_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}
