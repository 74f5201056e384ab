#include "project/settings_keys.h"

#include <cassert>
#include <charconv>
#include <limits>

#include "text/nearest_name.h"

namespace {

constexpr const char* kFlag = "0 or 1";
constexpr int64_t kLargestSize = std::numeric_limits<int64_t>::max();
// Times are seconds since 1970-01-01 00:00:00 UTC, within what the main
// window's date pickers show: 1752-09-14 to 9999-12-31 23:59:59.
constexpr int64_t kEarliestTime = -6857222400;
constexpr int64_t kLatestTime = 253402300799;
constexpr const char* kTime =
    "whole seconds since 1970-01-01 00:00:00 UTC, from -6857222400 "
    "(1752-09-14) to 253402300799 (9999-12-31 23:59:59)";
constexpr const char* kSize =
    "a whole number of bytes from 0 to 9223372036854775807";

using R = settings_record;
constexpr setting_type kText = setting_type::text;
constexpr setting_type kNumber = setting_type::number;

// Declaration order of the record.
constexpr setting_key kKeys[kSettingsFieldCount] = {
    {"source", &R::source, kNumber, 0, 1, "0 (a folder) or 1 (an archive)"},
    {"path", &R::path, kText, 0, 0, "any text"},
    {"save", &R::save, kText, 0, 0, "any text"},
    {"mask", &R::mask, kText, 0, 0, "any text"},
    {"skip_files", &R::skip_files, kText, 0, 0, "any text"},
    {"folder_include", &R::folder_include, kText, 0, 0, "any text"},
    {"folder_skip", &R::folder_skip, kText, 0, 0, "any text"},
    {"subfolders", &R::subfolders, kNumber, 0, 1, kFlag},
    {"subfolders_in_one_file", &R::subfolders_in_one_file, kNumber, 0, 1,
     kFlag},
    {"date_format", &R::date_format, kText, 0, 0, "any text"},
    {"is_gmt_date", &R::is_gmt_date, kNumber, 0, 1, kFlag},
    {"order_files", &R::order_files, kNumber, 0, 4,
     "0 (unsorted), 1 (name), 2 (extension), 3 (size) or 4 (date)"},
    {"sort_order", &R::sort_order, kNumber, 0, 1,
     "0 (ascending) or 1 (descending)"},
    {"show_summary", &R::show_summary, kNumber, 0, 1, kFlag},
    {"show_folders", &R::show_folders, kNumber, 0, 1, kFlag},
    {"image_dir", &R::image_dir, kText, 0, 0, "any text"},
    {"size_units", &R::size_units, kNumber, 0, 4,
     "0 (bytes), 1 (Kb), 2 (Mb), 3 (human, decimal) or 4 (human, binary)"},
    {"format", &R::format, kText, 0, 0, "any text"},
    {"url_html_escape", &R::url_html_escape, kNumber, 0, 1, kFlag},
    {"time_filter", &R::time_filter, kNumber, 0, 1, kFlag},
    {"time_start", &R::time_start, kNumber, kEarliestTime, kLatestTime, kTime},
    {"time_end", &R::time_end, kNumber, kEarliestTime, kLatestTime, kTime},
    {"size_filter", &R::size_filter, kNumber, 0, 1, kFlag},
    {"size_start", &R::size_start, kNumber, 0, kLargestSize, kSize},
    {"size_end", &R::size_end, kNumber, 0, kLargestSize, kSize},
    {"base_url", &R::base_url, kText, 0, 0, "any text"},
    {"title", &R::title, kText, 0, 0, "any text"},
    {"replace_existing", &R::replace_existing, kNumber, 0, 1, kFlag},
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Empty when text is a number of key's range, else why it is not.
std::string number_problem(const setting_key& key, std::string_view text) {
  text = trimmed(text);
  if (text.empty()) return "it is empty";
  int64_t n = 0;
  const char* end = text.data() + text.size();
  auto [stop, ec] = std::from_chars(text.data(), end, n);
  if (stop == text.data()) return "it is not a number";
  if (ec == std::errc::result_out_of_range) return "it is out of range";
  if (stop != end) {
    if (*stop == '.' || *stop == ',') return "it is not a whole number";
    return "it has \"" + std::string(stop, end) + "\" after the number";
  }
  if (n < key.least || n > key.most) {
    return n < 0 && key.least == 0 ? "it is negative" : "it is out of range";
  }
  return "";
}

}  // namespace

const setting_key& settings_key_at(int i) {
  assert(i >= 0 && i < kSettingsFieldCount);
  return kKeys[i];
}

const setting_key* find_setting_key(std::string_view name) {
  for (const setting_key& k : kKeys) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

std::string nearest_setting_key(std::string_view name) {
  std::vector<std::string_view> names;
  for (const setting_key& k : kKeys) names.emplace_back(k.name);
  return nearest_name(name, names);
}

bool check_setting(const std::string& key, const std::string& value,
                   std::string* err, std::string_view where) {
  const setting_key* k = find_setting_key(key);
  if (!k) {
    *err = "Unknown key \"" + key + "\"" + std::string(where);
    const std::string hint = nearest_setting_key(key);
    *err += hint.empty() ? "." : "; did you mean \"" + hint + "\"?";
    return false;
  }
  if (k->type == setting_type::text) return true;
  const std::string problem = number_problem(*k, value);
  if (problem.empty()) return true;
  *err = "Bad value \"" + value + "\" for " + key + std::string(where) + ": " +
         problem + "; " + key + " takes " + k->accepted + ".";
  return false;
}

bool check_settings_record(const settings_record& settings, std::string* err) {
  for (const setting_key& k : kKeys) {
    if (!check_setting(k.name, (settings.*k.field).str(), err)) return false;
  }
  return true;
}
