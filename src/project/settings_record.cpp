#include "project/settings_record.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "markup/settings_file.h"
#include "project/settings_keys.h"
#include "value/name_table.h"

namespace {

// Whether the first bytes of a file are UTF-16 text: a byte-order mark or
// a NUL byte (which no settings file holds).
bool looks_like_utf16(std::string_view head) {
  return head.find('\0') != std::string_view::npos ||
         head.rfind("\xFF\xFE", 0) == 0 || head.rfind("\xFE\xFF", 0) == 0;
}

// The parser's report on one line.
std::string one_line(std::string report) {
  size_t at;
  while ((at = report.find("\r\n")) != std::string::npos) {
    report.replace(at, 2, "; ");
  }
  while (!report.empty() && (report.back() == ' ' || report.back() == ';')) {
    report.pop_back();
  }
  return report;
}

// Why the settings file at path is not taken, as the user is told: it
// cannot be read, is UTF-16 text, does not parse (the parser's report), or
// parsed but holds no setting.
std::string refusal(const std::string& path, const std::string& report,
                    bool parsed) {
  std::string reason;
  char head[64];
  size_t n = 0;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    n = std::fread(head, 1, sizeof head, f);
    if (n == 0 && std::ferror(f)) reason = std::strerror(errno);  // a folder
    std::fclose(f);
  } else {
    reason = std::strerror(errno);
  }
  if (reason.empty()) {
    if (looks_like_utf16(std::string_view(head, n))) {
      reason = "It is UTF-16 text; a settings file is UTF-8 text.";
    } else if (parsed) {
      reason = "It holds no settings (no <key>value</key> element).";
    } else {
      reason = "The markup is in error: " + one_line(report);
    }
  }
  return "Can't read " + path + " file. " + reason;
}

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
  const std::string path = file.str();
  list_table table;
  std::vector<settings_element> elements;
  std::string report;
  if (!load_settings_file(file, &table, &report, &elements)) {
    *err = refusal(path, report, false);
    return false;
  }
  if (elements.empty()) {
    *err = refusal(path, "", true);
    return false;
  }
  // Every element must name a key and hold a value the key takes. The
  // first element of a key with a value counts, else an empty one; a key
  // the file leaves out keeps its default (as text, like every loaded
  // field), so a hand-written file needs only the keys it changes.
  settings_record read;
  std::vector<const setting_key*> valued, empty;
  for (const settings_element& e : elements) {
    const std::string where = " in " + path + " line " + std::to_string(e.line);
    if (!check_setting(e.name, e.value.str(), err, where)) return false;
    const setting_key* key = find_setting_key(e.name);
    if (std::find(valued.begin(), valued.end(), key) != valued.end()) continue;
    const bool has_value = e.value.length() > 0;
    if (!has_value &&
        std::find(empty.begin(), empty.end(), key) != empty.end()) {
      continue;
    }
    (has_value ? valued : empty).push_back(key);
    read.*key->field = e.value;
  }
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    (read.*settings_key_at(i).field).convert(VARIANT_TEXT);
  }
  *this = read;
  return true;
}

namespace {

list_table settings_table(const settings_record& record) {
  list_table table;
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const setting_key& k = settings_key_at(i);
    table.put(variant(k.name), record.*k.field);
  }
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
  const setting_key* k = find_setting_key(key);
  return k ? &(record->*k->field) : nullptr;
}

const char* settings_field_key(int i) { return settings_key_at(i).name; }

variant time_value(int64_t seconds) {
  return variant(std::string_view(std::to_string(seconds)));
}

int64_t current_utc_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}
