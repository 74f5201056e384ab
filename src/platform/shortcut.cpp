#include "platform/shortcut.h"

#include <sys/stat.h>
#include <unistd.h>

#include "markup/files.h"
#include "text/ascii.h"

namespace {

// REQUIRES: suffix is in lower case.
bool ends_with_nocase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         ascii_lower(s.substr(s.size() - suffix.size())) == suffix;
}

std::string base_name(std::string_view path) {
  size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) path = path.substr(slash + 1);
  return std::string(path);
}

// A document: it exists and cannot be run as a program.
bool is_document(const std::string& target) {
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) return false;
  return !S_ISREG(st.st_mode) || ::access(target.c_str(), X_OK) != 0;
}

}  // namespace

std::string desktop_file_path(std::string_view shortcut_path) {
  if (ends_with_nocase(shortcut_path, ".desktop"))
    return std::string(shortcut_path);
  if (ends_with_nocase(shortcut_path, ".lnk")) shortcut_path.remove_suffix(4);
  return std::string(shortcut_path) + ".desktop";
}

std::string desktop_exec_argument(std::string_view arg) {
  static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  bool quote = arg.empty() || arg.find_first_of(kReserved) != arg.npos;
  std::string out;
  if (quote) out += '"';
  for (char c : arg) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::string desktop_string_escape(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string desktop_entry_text(std::string_view name,
                               const std::vector<std::string>& exec,
                               std::string_view icon, std::string_view path) {
  std::string command;
  for (const std::string& arg : exec) {
    if (!command.empty()) command += ' ';
    command += desktop_exec_argument(arg);
  }
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + desktop_string_escape(name) + "\n";
  text += "Exec=" + desktop_string_escape(command) + "\n";
  if (!icon.empty()) text += "Icon=" + desktop_string_escape(icon) + "\n";
  if (!path.empty()) text += "Path=" + desktop_string_escape(path) + "\n";
  text += "Terminal=false\n";
  return text;
}

bool create_shortcut(const kvval& shortcut_path, const kvval& target,
                     const kvval& arguments, const kvval& icon_file,
                     int icon_index, int show_command,
                     const kvval& working_dir) {
  std::string file = desktop_file_path(shortcut_path.view());
  std::string name = base_name(file);
  name.resize(name.size() - 8);  // without ".desktop"
  std::string program = target.str();
  if (name.empty() || program.empty()) return false;
  std::vector<std::string> exec{program};
  if (is_document(program)) {
    exec = {"xdg-open", program};
  } else if (arguments.length() > 0) {
    exec.push_back(arguments.str());
  }
  std::string text =
      desktop_entry_text(name, exec, icon_file.view(), working_dir.view());
  return write_file_atomically(file, text, 0644, nullptr);
}
