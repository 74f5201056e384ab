// Start-up decisions shared by the one executable's roles: which role the
// program plays (from the name it was started under) and how a raw command
// line splits into arguments. Used by main.cpp; no window or build code here.
#ifndef DIRGEN_APP_STARTUP_H_
#define DIRGEN_APP_STARTUP_H_

#include <string_view>

#include "value/kvarr.h"

enum class app_role {
  application,  // "kdgn20" or "kdgn20.exe": command line or window
  installer,    // "setup" or "setup.exe": the installer wizard
  none,         // any other name: exit at once, silently
};

// The role for argv[0]: its base name (after the last "/"), lower-cased
// byte-wise, decides. A symbolic link counts under its own name.
app_role role_from_program_name(std::string_view argv0);

// Splits a raw command line into *args (emptied first), quote-aware:
// - a blank (space only) outside quotes ends an argument that has begun;
// - a double quote at the start of an argument opens a quoted argument and
//   is dropped; the next double quote closes it and stores it even when
//   empty; a double quote in the middle of an unquoted argument is dropped;
// - an unclosed quote runs to the end; a non-empty last argument is stored.
void split_command_line(std::string_view line, kvarr* args);

#endif  // DIRGEN_APP_STARTUP_H_
