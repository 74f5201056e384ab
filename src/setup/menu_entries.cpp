#include "setup/menu_entries.h"

#include <cassert>

#include "setup/setup_names.h"

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

std::string desktop_entry_text(const desktop_entry& entry) {
  assert(!entry.exec.empty());
  std::string command;
  for (const std::string& arg : entry.exec) {
    if (!command.empty()) command += ' ';
    command += desktop_exec_argument(arg);
  }
  std::string text = "[Desktop Entry]\nType=Application\n";
  auto line = [&text](std::string_view key, std::string_view value) {
    if (!value.empty())
      text += std::string(key) + "=" + desktop_string_escape(value) + "\n";
  };
  line("Name", entry.name);
  line("Comment", entry.comment);
  line("Exec", command);
  line("Icon", entry.icon);
  line("Path", entry.path);
  line("Categories", entry.categories);
  line("StartupWMClass", entry.startup_wm_class);
  text += "Terminal=false\n";
  return text;
}

desktop_entry program_entry(const std::string& inst_dir) {
  desktop_entry entry;
  entry.name = "Dirgen";
  entry.comment = "Make a listing of a folder or an archive from a template";
  entry.exec = {inst_dir + std::string(kProgramFile)};
  entry.icon = kIconName;
  entry.path = inst_dir;
  entry.categories = "Utility;FileTools;";
  entry.startup_wm_class = "Dirgen";
  return entry;
}

desktop_entry manual_entry(const std::string& inst_dir) {
  desktop_entry entry;
  entry.name = "Dirgen Manual";
  entry.comment = "Read how to make listings and write styles with Dirgen";
  entry.exec = {"xdg-open", inst_dir + std::string(kHelpFile)};
  entry.icon = kIconName;
  entry.categories = "Utility;Documentation;";
  return entry;
}
