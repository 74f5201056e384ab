// Start-up decision of the one executable: which role the program plays,
// from the name it was started under. Used by main.cpp; no window or build
// code here.
#ifndef DIRGEN_APP_STARTUP_H_
#define DIRGEN_APP_STARTUP_H_

#include <string_view>

enum class app_role {
  application,  // "kdgn20" or "kdgn20.exe": command line or window
  installer,    // "setup" or "setup.exe": the installer wizard
  none,         // any other name: exit at once, silently
};

// The role for argv[0]: its base name (after the last "/"), lower-cased
// byte-wise, decides. A symbolic link counts under its own name.
app_role role_from_program_name(std::string_view argv0);

#endif  // DIRGEN_APP_STARTUP_H_
