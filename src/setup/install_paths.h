// Where an installation goes and where it is recorded: the destination
// typed by the user made into a folder path, the installation folder, the
// default destination (a previous installation, else the program-files
// folder), and the registry store the installation is recorded in.
// Used by the wizard, the installation steps and the uninstaller.
#ifndef DIRGEN_SETUP_INSTALL_PATHS_H_
#define DIRGEN_SETUP_INSTALL_PATHS_H_

#include <string>
#include <string_view>

#include "setup/registry_store.h"

// The destination for the text of the destination box: trailing "/"
// removed ("/" itself stays), and a relative path taken relative to
// current_folder, so that the recorded installation folder is absolute.
// "\" is an ordinary character here and is kept.
// REQUIRES: !text.empty(); current_folder is absolute.
std::string normalize_destination(std::string_view text,
                                  const std::string& current_folder);

// destination + "/" (unless it ends with one) + "DGN2".
std::string installation_folder_for(const std::string& destination);

// The folder proposed again for a recorded installation folder: the text
// before the last "DGN2" (all of it when there is none), trailing "/"
// removed ("/" stays). "/a/Kovix/DGN2/" gives "/a/Kovix"; "/t/" gives "/t".
std::string parent_of_installation(const std::string& inst_dir);

// The store an installation is recorded in: the machine-wide one when this
// user may write it, else the current user's (a per-user installation).
registry_root install_registry_root();

// The other store.
registry_root other_root(registry_root root);

// The recorded installation folder ("inst_dir" of the product key), looked
// up in install_registry_root() first, then the other store. Returns true
// with *inst_dir set when a non-empty value is found; false otherwise.
bool recorded_installation(std::string* inst_dir);

// The default destination shown on the destination page. When an
// installation is recorded: its parent folder and *previous true. Else the
// program-files folder + "/Kovix" and *previous false. Returns false when
// neither can be found (no program-files folder).
bool default_destination(std::string* destination, bool* previous);

// The nearest folder at or above path that exists (for the free-space
// query, since the destination need not exist yet). "/" at worst.
std::string existing_ancestor(const std::string& path);

#endif  // DIRGEN_SETUP_INSTALL_PATHS_H_
