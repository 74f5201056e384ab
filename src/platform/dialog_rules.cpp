#include "platform/dialog_rules.h"

namespace {

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
    s.remove_suffix(1);
  return s;
}

// Takes the text up to the next NUL (or the end) off the front of *text.
std::string_view next_piece(std::string_view* text) {
  size_t nul = text->find('\0');
  std::string_view piece = text->substr(0, nul);
  text->remove_prefix(nul == std::string_view::npos ? text->size() : nul + 1);
  return piece;
}

// "*.htm;*.html" -> "*.htm *.html", with "*.*" as "*".
std::string qt_patterns(std::string_view patterns) {
  std::string out;
  while (true) {
    size_t semi = patterns.find(';');
    std::string_view one = trim_blanks(patterns.substr(0, semi));
    if (!one.empty()) {
      if (!out.empty()) out += ' ';
      out += one == "*.*" ? std::string_view("*") : one;
    }
    if (semi == std::string_view::npos) break;
    patterns.remove_prefix(semi + 1);
  }
  return out;
}

// "Text Files (*.txt)" -> "Text Files": the patterns a description already
// shows are written once, in the toolkit's form, after it.
std::string_view without_shown_patterns(std::string_view description) {
  size_t open = description.rfind(" (");
  if (open == std::string_view::npos || description.back() != ')' ||
      description.find('*', open) == std::string_view::npos)
    return description;
  return description.substr(0, open);
}

}  // namespace

void adjust_initial_folder(std::string* folder) {
  if (folder->size() > 1 && folder->back() == '/') folder->pop_back();
}

std::vector<std::string> name_filters_of(std::string_view filter) {
  std::vector<std::string> filters;
  while (!filter.empty()) {
    std::string_view description = next_piece(&filter);
    if (description.empty() || filter.empty()) break;
    std::string_view patterns = next_piece(&filter);
    filters.push_back(std::string(without_shown_patterns(description)) + " (" +
                      qt_patterns(patterns) + ")");
  }
  return filters;
}

std::string with_default_extension(std::string_view path,
                                   std::string_view extension) {
  if (!extension.empty() && extension.front() == '.')
    extension.remove_prefix(1);
  std::string_view name = path.substr(file_name_offset(path));
  if (extension.empty() || name.empty() || name.find('.') != name.npos)
    return std::string(path);
  return std::string(path) + "." + std::string(extension);
}

int32_t file_name_offset(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : static_cast<int32_t>(slash + 1);
}

std::string multi_select_result(const std::vector<std::string>& paths,
                                int32_t* name_offset) {
  if (paths.empty()) {
    *name_offset = -1;
    return "";
  }
  if (paths.size() == 1) {
    *name_offset = file_name_offset(paths[0]);
    return paths[0];
  }
  int32_t offset = file_name_offset(paths[0]);
  std::string result = paths[0].substr(0, offset > 1 ? offset - 1 : offset);
  *name_offset = static_cast<int32_t>(result.size()) + 1;
  for (const std::string& path : paths) {
    result += '\0';
    result += path.substr(file_name_offset(path));
  }
  return result;
}

std::string one_line_title(std::string_view title) {
  std::string out;
  for (size_t i = 0; i < title.size(); ++i) {
    char c = title[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < title.size() && title[i + 1] == '\n') ++i;
      out += " - ";
    } else {
      out += c;
    }
  }
  return out;
}

window_origin centered_origin(int screen_width, int screen_height,
                              int window_width, int window_height) {
  window_origin origin;
  origin.left =
      window_width > screen_width ? 0 : (screen_width - window_width) / 2;
  origin.top =
      window_height > screen_height ? 0 : (screen_height - window_height) / 2;
  return origin;
}
