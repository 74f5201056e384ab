// Shortcuts in the desktop's programs menu, written as freedesktop desktop
// entries (".desktop" files). The installer makes its menu links with it.
#ifndef DIRGEN_SETUP_SHORTCUT_H_
#define DIRGEN_SETUP_SHORTCUT_H_

#include <string>
#include <string_view>
#include <vector>

#include "value/kvval.h"

// The file a shortcut path is written to: "X.lnk" (any case) becomes
// "X.desktop", "X.desktop" stays, any other name gets ".desktop" appended.
std::string desktop_file_path(std::string_view shortcut_path);

// One argument of an Exec line: "%" doubled, and, when it is empty or holds a
// reserved character, enclosed in double quotes with '"', '`', '$' and '\'
// escaped by a backslash. (String escaping of the whole line comes after.)
std::string desktop_exec_argument(std::string_view arg);

// A value escaped for a desktop entry: '\' -> "\\", newline -> "\n",
// tab -> "\t", carriage return -> "\r".
std::string desktop_string_escape(std::string_view value);

// The text of an application entry: Type, Name, Exec (the argv quoted as
// above), Icon and Path when non-empty, Terminal=false.
// REQUIRES: !exec.empty().
std::string desktop_entry_text(std::string_view name,
                               const std::vector<std::string>& exec,
                               std::string_view icon, std::string_view path);

// Writes a desktop entry for target to desktop_file_path(shortcut_path),
// named after the file's base name. The entry starts target with arguments
// passed as ONE argument (when non-empty), like open_document's parameter
// text; a target that exists and is not an executable file (a document such
// as a help page) is opened with xdg-open instead, and arguments are then
// not used. icon_file becomes Icon and working_dir Path when non-empty.
// icon_index and show_command have no counterpart here and are ignored.
// Returns true when the file was saved (atomically); false otherwise.
bool create_shortcut(const kvval& shortcut_path, const kvval& target,
                     const kvval& arguments, const kvval& icon_file,
                     int icon_index, int show_command,
                     const kvval& working_dir);

#endif  // DIRGEN_SETUP_SHORTCUT_H_
