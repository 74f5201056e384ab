#include "setup/install_record.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "markup/files.h"
#include "platform/checksum.h"
#include "platform/home_folder.h"
#include "setup/setup_names.h"
#include "text/encoders.h"

namespace {

constexpr std::string_view kHeader = "dirgen installation record 1";
constexpr std::string_view kRecordSuffix = ".record";
// Digits of the installation folder's checksum that name its record: 64
// bits, so two folders of one machine never share a record.
constexpr size_t kRecordIdDigits = 16;
constexpr size_t kSumDigits = 64;

// Values are written by escape_line_breaks; one that does not decode (not
// written by this program) is taken as it stands.
std::string unescaped(std::string_view value) {
  std::string out;
  return unescape_line_breaks(value, &out) ? out : std::string(value);
}

void add_line(std::string* text, std::string_view key, std::string_view value) {
  *text += key;
  *text += ' ';
  *text += escape_line_breaks(value);
  *text += '\n';
}

// "<64 hex digits> <path>", the value of a "file" line.
bool parse_file(std::string_view value, installed_file* file) {
  if (value.size() < kSumDigits + 2 || value[kSumDigits] != ' ') return false;
  std::string_view sum = value.substr(0, kSumDigits);
  if (sum.find_first_not_of("0123456789abcdef") != std::string_view::npos)
    return false;
  file->sha256 = std::string(sum);
  file->path = unescaped(value.substr(kSumDigits + 1));
  return true;
}

bool parse_line(std::string_view line, install_record* record) {
  size_t space = line.find(' ');
  if (space == 0 || space == std::string_view::npos) return false;
  std::string_view key = line.substr(0, space), value = line.substr(space + 1);
  if (key == "folder") {
    record->inst_dir = unescaped(value);
  } else if (key == "created") {
    record->created_folders.push_back(unescaped(value));
  } else if (key == "file") {
    installed_file file;
    if (!parse_file(value, &file)) return false;
    record->files.push_back(std::move(file));
  } else if (key == "sequence") {
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(),
                                     record->sequence);
    if (ec != std::errc() || end != value.data() + value.size()) return false;
  }
  return true;
}

bool read_record_file(install_scope scope, const std::string& path,
                      install_record* record) {
  std::string text;
  if (!read_whole_file(path, &text, nullptr)) return false;
  install_record found;
  found.scope = scope;
  if (!parse_record_text(text, &found)) return false;
  *record = std::move(found);
  return true;
}

}  // namespace

std::string records_folder(install_scope scope) {
  bool machine = scope == install_scope::machine;
  const char* value = std::getenv(machine ? "DIRGEN_INSTALLATIONS_MACHINE"
                                          : "DIRGEN_INSTALLATIONS_USER");
  if (value != nullptr && *value != '\0') return value;
  if (machine) return "/var/lib/dirgen/installations";
  return xdg_folder("XDG_DATA_HOME", "/.local/share") + "/dirgen/installations";
}

std::string install_record::sum_of(const std::string& path) const {
  for (const installed_file& f : files) {
    if (f.path == path) return f.sha256;
  }
  return "";
}

std::string record_file(install_scope scope, const std::string& inst_dir) {
  return records_folder(scope) + "/" +
         sha256_hex(inst_dir).substr(0, kRecordIdDigits) +
         std::string(kRecordSuffix);
}

std::string record_text(const install_record& record) {
  std::string text(kHeader);
  text += '\n';
  add_line(&text, "folder", record.inst_dir);
  add_line(&text, "product", kProductName);
  add_line(&text, "remover", record.inst_dir + std::string(kRemoveFile));
  add_line(&text, "sequence", std::to_string(record.sequence));
  for (const std::string& folder : record.created_folders)
    add_line(&text, "created", folder);
  for (const installed_file& f : record.files)
    add_line(&text, "file", f.sha256 + " " + f.path);
  return text;
}

bool parse_record_text(std::string_view text, install_record* record) {
  if (text.substr(0, kHeader.size() + 1) != std::string(kHeader) + "\n")
    return false;
  text.remove_prefix(kHeader.size() + 1);
  install_record found;
  found.scope = record->scope;
  while (!text.empty()) {
    size_t end = std::min(text.find('\n'), text.size());
    if (!parse_line(text.substr(0, end), &found)) return false;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  if (found.inst_dir.empty()) return false;
  *record = std::move(found);
  return true;
}

bool save_record(const install_record& record, std::string* err) {
  install_record saved = record;
  for (const install_record& other : all_records(record.scope))
    saved.sequence = std::max(saved.sequence, other.sequence + 1);
  return make_folders(records_folder(record.scope), err) &&
         write_file_atomically(record_file(record.scope, record.inst_dir),
                               record_text(saved), kInstalledFileOptions, err);
}

bool load_record(install_scope scope, const std::string& inst_dir,
                 install_record* record) {
  install_record found;
  if (!read_record_file(scope, record_file(scope, inst_dir), &found) ||
      found.inst_dir != inst_dir)
    return false;
  *record = std::move(found);
  return true;
}

std::vector<install_record> all_records(install_scope scope) {
  std::vector<install_record> records;
  std::string folder = records_folder(scope);
  unique_dir dir(::opendir(folder.c_str()));
  if (!dir) return records;
  while (struct dirent* entry = ::readdir(dir.get())) {
    std::string_view name = entry->d_name;
    if (!name.ends_with(kRecordSuffix)) continue;
    install_record record;
    if (read_record_file(scope, folder + "/" + std::string(name), &record))
      records.push_back(std::move(record));
  }
  return records;
}

bool latest_record(install_scope scope, install_record* record) {
  std::vector<install_record> records = all_records(scope);
  auto latest =
      std::max_element(records.begin(), records.end(),
                       [](const install_record& a, const install_record& b) {
                         return a.sequence < b.sequence;
                       });
  if (latest == records.end()) return false;
  *record = std::move(*latest);
  return true;
}

bool delete_record(const install_record& record, std::string* err) {
  std::string path = record_file(record.scope, record.inst_dir);
  if (::unlink(path.c_str()) == 0) return true;
  if (err) *err = path + ": " + std::strerror(errno);
  return false;
}
