#include "app/startup.h"

#include <string>

#include "text/ascii.h"

app_role role_from_program_name(std::string_view argv0) {
  size_t slash = argv0.rfind('/');
  std::string name = ascii_lower(
      slash == std::string_view::npos ? argv0 : argv0.substr(slash + 1));
  if (name == "kdgn20" || name == "kdgn20.exe") return app_role::application;
  if (name == "setup" || name == "setup.exe") return app_role::installer;
  return app_role::none;
}

void split_command_line(std::string_view line, kvarr* args) {
  args->clear();
  std::string current;
  bool in_quotes = false;
  bool at_start = true;
  for (char c : line) {
    if (c == ' ' && !in_quotes) {
      if (!current.empty()) args->push(kvval(current));
      current.clear();
      at_start = true;
    } else if (c == '"') {
      if (in_quotes) {
        args->push(kvval(current));  // a closed quote stores even ""
        current.clear();
        in_quotes = false;
        at_start = true;
      } else if (at_start) {
        in_quotes = true;
        at_start = false;
      }
      // A quote in the middle of an unquoted argument is dropped.
    } else {
      current.push_back(c);
      at_start = false;
    }
  }
  if (!current.empty()) args->push(kvval(current));
}
