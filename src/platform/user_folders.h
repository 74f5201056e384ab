// Where this desktop keeps per-user and machine-wide things: the home folder,
// the two registry roots, the programs menu and the program-files folder.
// Used by the registry store, the content-type table, the shortcut writer
// and the installer.
#ifndef DIRGEN_PLATFORM_USER_FOLDERS_H_
#define DIRGEN_PLATFORM_USER_FOLDERS_H_

#include <string>

#include "value/kvval.h"

// The user's home folder: $HOME when set and non-empty, else the password
// database entry of the current user, else "/".
std::string home_folder();

// $name when set and non-empty, else home_folder() + fallback (fallback
// starts with "/", e.g. "/.config").
std::string xdg_folder(const char* name, const char* fallback);

// On success returns true and *result holds the programs menu folder,
// $XDG_DATA_HOME/applications (~/.local/share/applications when unset),
// created when it is missing. Returns false with *result the empty text
// when the folder cannot be created.
bool programs_folder(kvval* result);

// On success returns true and *result holds the folder programs are
// installed under: "/opt" when this user may write there, else
// ~/.local/opt (created when missing). Returns false with *result the empty
// text when neither is usable.
bool program_files_folder(kvval* result);

#endif  // DIRGEN_PLATFORM_USER_FOLDERS_H_
