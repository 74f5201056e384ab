#include "platform/content_types.h"

#include "markup/files.h"
#include "platform/home_folder.h"
#include "text/ascii.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The blank-separated words of one line, up to a "#".
std::vector<std::string_view> words_of(std::string_view line) {
  size_t hash = line.find('#');
  if (hash != std::string_view::npos) line = line.substr(0, hash);
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && is_blank(line[i])) ++i;
    size_t start = i;
    while (i < line.size() && !is_blank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

content_types content_types::from_files(const std::vector<std::string>& paths) {
  content_types table;
  std::string text;
  for (const std::string& path : paths) {
    if (read_whole_file(path, &text, nullptr)) table.add_listing(text);
  }
  return table;
}

content_types content_types::from_environment() {
  return from_files({home_folder() + "/.mime.types", "/etc/mime.types"});
}

void content_types::add_listing(std::string_view text) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::vector<std::string_view> words = words_of(line);
    if (words.size() < 2) continue;
    std::string type = ascii_lower(words[0]);
    for (size_t i = 1; i < words.size(); ++i) {
      types_.emplace(ascii_lower(words[i]), type);
    }
  }
}

bool content_types::find(std::string_view ext, std::string* type) const {
  auto it = types_.find(ascii_lower(ext));
  if (it == types_.end()) return false;
  *type = it->second;
  return true;
}

const content_types& shared_content_types() {
  static const content_types table = content_types::from_environment();
  return table;
}

bool content_type_for(const content_types& table, std::string_view file_name,
                      std::string* result) {
  result->clear();
  size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return false;
  return table.find(file_name.substr(dot + 1), result);
}

bool content_type_for(const variant& file_name, variant* result) {
  std::string type;
  bool found =
      content_type_for(shared_content_types(), file_name.view(), &type);
  *result = variant(std::string_view(type));
  return found;
}
