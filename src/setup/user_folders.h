// Where the installer puts things: the programs menu and the program-files
// folder.
#ifndef DIRGEN_SETUP_USER_FOLDERS_H_
#define DIRGEN_SETUP_USER_FOLDERS_H_

#include <string>

#include "value/kvval.h"

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

#endif  // DIRGEN_SETUP_USER_FOLDERS_H_
