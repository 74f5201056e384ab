// The menu entries an installation makes, written as freedesktop desktop
// entries: "Dirgen" starts the installed program, "Dirgen Manual" opens its
// manual. Both show the icon theme's "dirgen" icon.
#ifndef DIRGEN_SETUP_MENU_ENTRIES_H_
#define DIRGEN_SETUP_MENU_ENTRIES_H_

#include <string>
#include <string_view>
#include <vector>

// One argument of an Exec line: "%" doubled, and, when it is empty or holds a
// reserved character, enclosed in double quotes with '"', '`', '$' and '\'
// escaped by a backslash. (String escaping of the whole line comes after.)
std::string desktop_exec_argument(std::string_view arg);

// A value escaped for a desktop entry: '\' -> "\\", newline -> "\n",
// tab -> "\t", carriage return -> "\r".
std::string desktop_string_escape(std::string_view value);

struct desktop_entry {
  std::string name;
  std::string comment;
  std::vector<std::string> exec;  // the program and its arguments
  std::string icon;               // an icon theme name; may be empty
  std::string path;               // working folder; may be empty
  std::string categories;         // "A;B;"
  std::string startup_wm_class;   // may be empty
};

// The text of an application entry: Type, Name, Comment, Exec (each
// argument quoted as above), Icon, Path and StartupWMClass when non-empty,
// Categories, Terminal=false. REQUIRES: !entry.exec.empty().
std::string desktop_entry_text(const desktop_entry& entry);

// The entry that starts the program installed in inst_dir (with its "/").
desktop_entry program_entry(const std::string& inst_dir);
// The entry that opens the manual of the installation in inst_dir.
desktop_entry manual_entry(const std::string& inst_dir);

#endif  // DIRGEN_SETUP_MENU_ENTRIES_H_
