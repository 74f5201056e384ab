#include "project/settings_record.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "markup/settings_file.h"
#include "value/name_table.h"

namespace {

struct FieldEntry {
  const char* key;
  variant settings_record::*member;
};

// Declaration order of the record.
constexpr FieldEntry kFields[kSettingsFieldCount] = {
    {"source", &settings_record::source},
    {"path", &settings_record::path},
    {"save", &settings_record::save},
    {"mask", &settings_record::mask},
    {"skip_files", &settings_record::skip_files},
    {"folder_include", &settings_record::folder_include},
    {"folder_skip", &settings_record::folder_skip},
    {"subfolders", &settings_record::subfolders},
    {"subfolders_in_one_file", &settings_record::subfolders_in_one_file},
    {"date_format", &settings_record::date_format},
    {"is_gmt_date", &settings_record::is_gmt_date},
    {"order_files", &settings_record::order_files},
    {"sort_order", &settings_record::sort_order},
    {"show_summary", &settings_record::show_summary},
    {"show_folders", &settings_record::show_folders},
    {"image_dir", &settings_record::image_dir},
    {"size_units", &settings_record::size_units},
    {"format", &settings_record::format},
    {"url_html_escape", &settings_record::url_html_escape},
    {"time_filter", &settings_record::time_filter},
    {"time_start", &settings_record::time_start},
    {"time_end", &settings_record::time_end},
    {"size_filter", &settings_record::size_filter},
    {"size_start", &settings_record::size_start},
    {"size_end", &settings_record::size_end},
    {"base_url", &settings_record::base_url},
    {"title", &settings_record::title},
    {"replace_existing", &settings_record::replace_existing},
};

}  // namespace

settings_record::settings_record() { reset_settings(); }

void settings_record::reset_settings() {
  source = variant(0);
  path = variant("");
  save = variant("index.html");
  mask = variant("*");
  skip_files = variant("");
  folder_include = variant("*");
  folder_skip = variant("");
  subfolders = variant(false);
  subfolders_in_one_file = variant(false);
  date_format = variant("%c");
  is_gmt_date = variant(false);
  order_files = variant(0);
  sort_order = variant(false);
  show_summary = variant(false);
  show_folders = variant(true);
  image_dir = variant("");
  size_units = variant(0);
  format = variant("download.txt");
  url_html_escape = variant(false);
  time_filter = variant(false);
  const int64_t now = current_utc_seconds();
  time_start = time_value(now);
  time_end = time_value(now);
  size_filter = variant(false);
  size_start = variant(0);
  size_end = variant(1048576);
  base_url = variant("");
  title = variant("");
  replace_existing = variant(false);
}

bool settings_record::load_settings(const variant& file, std::string* err) {
  reset_settings();
  list_table table;
  std::vector<std::string> empty;
  if (!load_settings_file(file, &table, err, &empty)) return false;
  // The first occurrence of each key wins; a key written without a value
  // is the empty text; a key the file leaves out keeps its default (as
  // text, like every loaded field), so a hand-written file needs only the
  // keys it changes.
  for (const FieldEntry& f : kFields) {
    variant& field = this->*f.member;
    variant value;
    if (table.first(variant(f.key), &value) ||
        std::find(empty.begin(), empty.end(), f.key) != empty.end()) {
      field = std::move(value);  // first() gives the empty text if absent
    }
    field.convert(VARIANT_TEXT);
  }
  return true;
}

namespace {

list_table settings_table(const settings_record& record) {
  list_table table;
  for (const FieldEntry& f : kFields) table.put(variant(f.key), record.*f.member);
  return table;
}

}  // namespace

bool settings_record::save_settings(const variant& file,
                                    std::string* err) const {
  list_table table = settings_table(*this);
  return save_settings_file(file, table, err);
}

std::string settings_record::settings_text() const {
  list_table table = settings_table(*this);
  return ::settings_text(table);
}

variant* settings_field(settings_record* record, const char* key) {
  if (record == nullptr || key == nullptr) return nullptr;
  for (const FieldEntry& f : kFields) {
    if (std::strcmp(f.key, key) == 0) return &(record->*f.member);
  }
  return nullptr;
}

const char* settings_field_key(int i) {
  assert(i >= 0 && i < kSettingsFieldCount);
  return kFields[i].key;
}

variant time_value(int64_t seconds) {
  return variant(std::string_view(std::to_string(seconds)));
}

int64_t current_utc_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}
