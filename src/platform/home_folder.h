// The user's home folder and the XDG base folders below it. Used by the
// content-type table (~/.mime.types) and by the installer.
#ifndef DIRGEN_PLATFORM_HOME_FOLDER_H_
#define DIRGEN_PLATFORM_HOME_FOLDER_H_

#include <string>

// The user's home folder: $HOME when set and non-empty, else the password
// database entry of the current user, else "/".
std::string home_folder();

// $name when set and non-empty, else home_folder() + fallback (fallback
// starts with "/", e.g. "/.config"; a home of "/" adds nothing before it).
std::string xdg_folder(const char* name, const char* fallback);

#endif  // DIRGEN_PLATFORM_HOME_FOLDER_H_
