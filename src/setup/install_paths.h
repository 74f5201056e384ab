// Where an installation goes and where it is recorded: the destination
// typed by the user made into a folder path, the installation folder, the
// default destination, the menu and icon folders, and the scope the
// installation is recorded in. Used by the wizard, the installation
// steps and the uninstaller.
#ifndef DIRGEN_SETUP_INSTALL_PATHS_H_
#define DIRGEN_SETUP_INSTALL_PATHS_H_

#include <string>
#include <string_view>
#include <vector>

#include "setup/install_record.h"

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

// The scope of an installation made now: the machine when this user may
// write its records folder (an installation for everyone), else the user
// (an installation for this user only).
install_scope installation_scope();
inline bool installs_for_everyone() {
  return installation_scope() == install_scope::machine;
}

// The folder programs are installed under: "/opt" when this user may write
// there, else ~/.local/opt. Nothing is created.
std::string program_files_folder();

// The default destination shown on the destination page. When the latest
// installation of this user's scope (installation_scope) is in a folder
// this user may write: its parent folder, and *previous true. Otherwise the
// program-files folder + "/Kovix" and *previous false. Creates nothing.
void default_destination(std::string* destination, bool* previous);

// The data folder menu entries and icons go below: for everyone
// $DIRGEN_SYSTEM_PREFIX/share (/usr/local/share when unset; tests point
// the prefix at a temporary root), for this user $XDG_DATA_HOME
// (~/.local/share).
std::string desktop_data_folder(bool for_everyone);
// Its "applications" folder (the menu) and the hicolor theme's scalable
// application icons.
std::string menu_folder(bool for_everyone);
std::string icon_folder(bool for_everyone);

// The nearest folder at or above path that exists (for the free-space
// query, since the destination need not exist yet). "/" at worst.
std::string existing_ancestor(const std::string& path);

// True when this user may create path: its nearest existing ancestor is a
// folder this user may write and enter.
bool can_create_under(const std::string& path);

// The folders that making path (and every missing parent) would create,
// outermost first; empty when path exists.
std::vector<std::string> missing_folders(const std::string& path);

#endif  // DIRGEN_SETUP_INSTALL_PATHS_H_
