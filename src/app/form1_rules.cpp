#include "app/form1_rules.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/date_conversion.h"

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

std::string source_message(const dirgen_project& settings) {
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

std::string join(const std::string& folder, const std::string& rest) {
  if (folder.empty() || folder.back() == '/') return folder + rest;
  return folder + "/" + rest;
}

}  // namespace

std::string listing_check_message(const dirgen_project& settings) {
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

std::string date_example(const std::string& format, int64_t utc_seconds) {
  time_t local = static_cast<time_t>(utc_to_local_seconds(utc_seconds));
  struct tm fields;
  if (gmtime_r(&local, &fields) == nullptr) return "";
  size_t percents = std::count(format.begin(), format.end(), '%');
  std::vector<char> buffer(format.size() + 15 * percents + 128);
  size_t n =
      std::strftime(buffer.data(), buffer.size(), format.c_str(), &fields);
  return std::string(buffer.data(), n);
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

std::string generated_output_path(const dirgen_project& settings) {
  std::string save = settings.save.str();
  std::string source = settings.path.str();
  bool archive = settings.source.as_bool();
  bool per_folder = settings.subfolders.as_bool() &&
                    !settings.subfolders_in_one_file.as_bool();
  if (per_folder) save = save.substr(save.rfind('/') + 1);
  if (save.empty() || save[0] == '/') return save;
  if (archive) {
    if (save.find('/') != std::string::npos) return save;
    size_t slash = source.rfind('/');
    return slash == std::string::npos ? save
                                      : source.substr(0, slash + 1) + save;
  }
  return join(source, save);
}

std::string folder_part(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

bool is_existing_file(const std::string& path) {
  return kind_of(path) == path_kind::file;
}
