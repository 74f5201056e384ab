#include "app/main_window_rules.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

const char kDirgenVersion[] = "2.0";
const char kDirgenCaption[] = "Dirgen 2.0";

namespace {

enum class path_kind { missing, file, folder };

// What the source path names; a trailing "/" is left out of the query.
path_kind kind_of(std::string path) {
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return path_kind::missing;
  return S_ISDIR(st.st_mode) ? path_kind::folder : path_kind::file;
}

std::string source_message(const settings_record& settings) {
  bool archive = settings.source.as_bool();
  switch (kind_of(settings.path.str())) {
    case path_kind::folder:
      return archive ? "Source must be an archive file." : "";
    case path_kind::file:
      return archive ? "" : "Source must be a directory.";
    case path_kind::missing:
      break;
  }
  return archive ? "Source file doesn't exist."
                 : "Source directory doesn't exist.";
}

// The whole file at path, or false with the system's reason.
bool read_text(const std::string& path, std::string* text,
               std::string* reason) {
  errno = 0;
  FILE* file = std::fopen(path.c_str(), "rb");
  bool ok = file != nullptr;
  char buffer[16384];
  while (ok) {
    size_t n = std::fread(buffer, 1, sizeof buffer, file);
    text->append(buffer, n);
    if (n < sizeof buffer) {
      ok = !std::ferror(file);
      break;
    }
  }
  if (!ok) *reason = std::strerror(errno != 0 ? errno : EIO);
  if (file != nullptr) std::fclose(file);
  return ok;
}

// Whether text holds "<key>" for one of the record's keys.
bool holds_a_settings_key(const std::string& text) {
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    std::string open = std::string("<") + settings_field_key(i) + ">";
    if (text.find(open) != std::string::npos) return true;
  }
  return false;
}

// 1234567 -> "1,234,567".
std::string grouped(int64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

std::string listing_check_message(const settings_record& settings) {
  std::string message = source_message(settings);
  if (settings.save.length() == 0) message = "Output file must be specified";
  return message;
}

bar_span progress_bar_span(int64_t tick, int strip_width) {
  int64_t a = tick % 200;
  if (a < 0) a += 200;
  int64_t w = strip_width;
  if (a <= 100) return {0, static_cast<int>(a * w / 100)};
  int left = static_cast<int>((a - 100) * w / 100);
  return {left, strip_width - left};
}

std::string window_caption(const std::string& settings_path,
                           int32_t name_offset) {
  if (settings_path.empty())
    return std::string("New project - ") + kDirgenCaption;
  size_t start = settings_path.rfind('/') + 1;  // npos + 1 == 0
  if (name_offset > 0 &&
      static_cast<size_t>(name_offset) < settings_path.size())
    start = static_cast<size_t>(name_offset);
  return settings_path.substr(start) + " - " + kDirgenCaption;
}

std::string folder_part(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

bool is_existing_file(const std::string& path) {
  return kind_of(path) == path_kind::file;
}

std::string local_images_url(const std::string& working_folder) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : working_folder + "images") {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                 (c >= '0' && c <= '9') || std::strchr("-._~/", c) != nullptr;
    if (plain && c != '\0') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

bool read_settings_file(const std::string& path, settings_record* settings,
                        std::string* err) {
  std::string text, reason;
  if (!read_text(path, &text, &reason)) {
    *err = "Can't open settings file " + path + ": " + reason + ".";
    return false;
  }
  if (!holds_a_settings_key(text)) {
    *err = path + " is not a settings file: it holds none of the settings.";
    return false;
  }
  settings_record read;
  // The same words as the command line: where a key is unknown or a value
  // refused, or why the markup does not parse.
  if (!read.load_settings(variant(std::string_view(path)), err)) return false;
  *settings = read;
  return true;
}

bool write_settings_file(const settings_record& settings,
                         const std::string& path, std::string* err) {
  errno = 0;
  std::string save_err;  // the message below says it in the window's words
  if (settings.save_settings(variant(std::string_view(path)), &save_err)) {
    return true;
  }
  int code = errno;
  *err = "Can't save settings to " + path + ": " +
         (code != 0 ? std::strerror(code) : "it could not be written") + ".";
  return false;
}

bool read_size_box(const std::string& text, int64_t* kb, std::string* why) {
  const int64_t kLargest = std::numeric_limits<int64_t>::max() / 1024;
  int64_t value = -1;
  const char* end = text.data() + text.size();
  bool digits = !text.empty() &&
                text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::from_chars(text.data(), end, value).ec != std::errc() ||
      value > kLargest) {
    *why = "File sizes are whole numbers of Kb from 0 to " +
           std::to_string(kLargest) + "; \"" + text + "\" is not one.";
    return false;
  }
  *kb = value;
  return true;
}

drop_role role_of_dropped(const std::string& path) {
  switch (kind_of(path)) {
    case path_kind::missing:
      return drop_role::nothing;
    case path_kind::folder:
      return drop_role::source_folder;
    case path_kind::file:
      break;
  }
  std::string text, reason;
  if (read_text(path, &text, &reason) && holds_a_settings_key(text))
    return drop_role::settings_file;
  return drop_role::source_archive;
}

std::vector<std::string> with_recent(std::vector<std::string> recent,
                                     const std::string& path) {
  std::erase(recent, path);
  recent.insert(recent.begin(), path);
  if (recent.size() > kRecentFilesShown) recent.resize(kRecentFilesShown);
  return recent;
}

bool same_settings(settings_record a, settings_record b) {
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const char* key = settings_field_key(i);
    if (settings_field(&a, key)->str() != settings_field(&b, key)->str())
      return false;
  }
  return true;
}

std::string progress_text(int64_t entries, int64_t bytes) {
  char size[32];
  if (bytes < 1024 * 1024) {
    std::snprintf(size, sizeof size, "%lld KB",
                  static_cast<long long>((bytes + 1023) / 1024));
  } else {
    std::snprintf(size, sizeof size, "%.1f MB",
                  static_cast<double>(bytes) / (1024.0 * 1024.0));
  }
  return grouped(entries) + (entries == 1 ? " entry, " : " entries, ") + size +
         " written";
}

bool asks_to_replace(const build_outcome& outcome) {
  return outcome.code == kBuildForeignOutput && !outcome.refused.empty();
}

std::string replace_question(const build_outcome& outcome) {
  const int64_t total = outcome.refused_count;
  std::string text = total == 1 ? "This file was" : "These files were";
  text += " not written by Dirgen, or changed since it wrote ";
  text += total == 1 ? "it:\n" : "them:\n";
  const size_t named = std::min(outcome.refused.size(), kReplaceQuestionNamed);
  for (size_t i = 0; i < named; ++i) text += outcome.refused[i] + "\n";
  if (total > static_cast<int64_t>(named)) {
    text += "and " + std::to_string(total - static_cast<int64_t>(named)) +
            " more\n";
  }
  text += total == 1 ? "\nReplace it with the listing?"
                     : "\nReplace them with the listings?";
  return text;
}

settings_record with_replacing_allowed(settings_record settings) {
  settings.replace_existing = variant(1);
  return settings;
}
