#include "listing/listing_record.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>

#include "markup/files.h"
#include "text/encoders.h"

const char kListingRecordName[] = ".dirgen-listings";

namespace {

constexpr size_t kChecksumLength = 64;  // SHA-256 in hex

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool is_hex(std::string_view text) {
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

bool parse_record_line(std::string_view line, std::string* checksum,
                       std::string* relative) {
  const bool escape = !line.empty() && line[0] == '\\';
  if (escape) line.remove_prefix(1);
  // "<hex>  <path>"; sha256sum's binary mode writes " *" instead.
  if (line.size() < kChecksumLength + 3 || line[kChecksumLength] != ' ' ||
      (line[kChecksumLength + 1] != ' ' && line[kChecksumLength + 1] != '*') ||
      !is_hex(line.substr(0, kChecksumLength))) {
    return false;
  }
  std::string_view path = line.substr(kChecksumLength + 2);
  if (escape) {
    if (!unescape_line_breaks(path, relative)) return false;
  } else {
    relative->assign(path);
  }
  checksum->assign(line.substr(0, kChecksumLength));
  for (char& c : *checksum) c = static_cast<char>(std::tolower(c));
  return !relative->empty();
}

bool listing_record::load(const std::string& folder, std::string* err) {
  folder_ = folder;
  loaded_text_.clear();
  checksums_.clear();
  const std::string path = join(folder, kListingRecordName);
  struct stat st;
  if (stat(path.c_str(), &st) != 0 && errno == ENOENT) return true;
  std::string reason;
  if (!read_whole_file(path, &loaded_text_, &reason)) {
    *err = path + ": " + reason;
    return false;
  }
  std::string_view rest = loaded_text_;
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    std::string checksum, relative;
    if (parse_record_line(line, &checksum, &relative)) {
      checksums_[relative] = checksum;
    }
  }
  return true;
}

std::string listing_record::checksum_of(const std::string& relative) const {
  auto it = checksums_.find(relative);
  return it == checksums_.end() ? "" : it->second;
}

void listing_record::set(const std::string& relative,
                         const std::string& checksum) {
  checksums_[relative] = checksum;
}

void listing_record::forget_missing() {
  for (auto it = checksums_.begin(); it != checksums_.end();) {
    struct stat st;
    if (stat(join(folder_, it->first).c_str(), &st) != 0 && errno == ENOENT) {
      it = checksums_.erase(it);
    } else {
      ++it;
    }
  }
}

std::string listing_record::text() const {
  std::string out;
  for (const auto& [relative, checksum] : checksums_) {
    // sha256sum's way: a line whose name needed escaping starts with "\".
    if (relative.find_first_of("\\\n") != std::string::npos) out += '\\';
    out += checksum + "  " + escape_line_breaks(relative) + "\n";
  }
  return out;
}

bool listing_record::save(std::string* err) {
  const std::string now = text();
  if (now == loaded_text_) return true;
  const std::string path = join(folder_, kListingRecordName);
  replace_options options;
  options.follow_links = false;
  options.keep_folder_time = true;
  std::string reason;
  if (!write_file_atomically(path, now, options, &reason)) {
    *err = path + ": " + reason;
    return false;
  }
  loaded_text_ = now;
  return true;
}

namespace {

// The record in folder, read once and kept in *records.
const listing_record& record_in(const std::string& folder,
                                std::map<std::string, listing_record>* records) {
  auto it = records->find(folder);
  if (it == records->end()) {
    listing_record record;
    std::string ignored;  // an unreadable record names nothing
    if (!record.load(folder, &ignored)) record = listing_record();
    it = records->emplace(folder, std::move(record)).first;
  }
  return it->second;
}

}  // namespace

bool is_recorded_listing(const std::string& top, const std::string& folder,
                         const std::string& name, const std::string& checksum,
                         std::map<std::string, listing_record>* records) {
  // The top record, where a build notes every listing it wrote, first: the
  // walk up through the folders between, each a lookup of a path as long
  // as the folder's, is then needed only for a file it does not name.
  if (folder.size() > top.size()) {
    const size_t skip = top.size() + (top.empty() || top.back() == '/' ? 0 : 1);
    if (record_in(top, records).checksum_of(folder.substr(skip) + "/" +
                                            name) == checksum) {
      return true;
    }
  }
  std::string at = folder;
  std::string relative = name;
  for (;;) {
    if (record_in(at, records).checksum_of(relative) == checksum) return true;
    if (at.size() <= top.size()) return false;
    const size_t slash = at.rfind('/');
    if (slash == std::string::npos || slash < top.size()) return false;
    relative = at.substr(slash + 1) + "/" + relative;
    at = at.substr(0, slash);
  }
}
