// The installation itself, run when the wizard enters its last page: checks
// the destination and its free space, copies the distribution, makes the
// menu entries and the icon, and records the installation (install_record.h)
// once everything is in place. Plain C++; the wizard window only shows its
// progress.
//
// A reinstallation into the same folder replaces the files the user left
// as they were installed. A file the user changed (or made under a name the
// distribution uses) is kept, and the new version is put beside it under
// its name + ".dist"; the style catalogue is merged instead: the new one
// plus the user's own entries, the user's previous catalogue being kept as
// "styles.txt.old". The programs themselves are always replaced.
#ifndef DIRGEN_SETUP_INSTALLATION_H_
#define DIRGEN_SETUP_INSTALLATION_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "setup/setup_services.h"

// How the installation ended, and so which page the wizard shows next.
enum class install_outcome {
  done,    // installed: show the completion page
  stay,    // refused before anything was touched
  failed,  // failed part-way, nothing recorded
};

struct installation_request {
  std::string source_folder;     // the distribution (absolute)
  std::string current_folder;    // relative destinations are taken from here
  std::string destination_text;  // the destination box's text
  uint64_t total_size = 0;       // from check_distribution
  // Called once the checks passed and copying begins (the window hides
  // its buttons and shows the progress panel), and after every progress
  // step with the percentage (which may pass 100 by rounding).
  std::function<void()> on_start;
  std::function<void(int)> on_progress;
};

struct installation_result {
  std::string folder;  // the installation folder, with its trailing "/"
  bool for_everyone = false;
  std::string menu_folder;        // where the menu entries went
  std::vector<std::string> kept;  // changed files kept (new version beside)
};

// Runs the installation steps in order; every failure is told through
// services->show_message before returning. Things copied before a failure
// stay in place, but nothing is recorded; a second run overwrites them.
install_outcome run_installation(const installation_request& request,
                                 setup_services* services,
                                 installation_result* result);

// Copies the file from to the path to, replacing an existing file, and gives
// the copy the permission bits of the original (so a program stays
// runnable). Returns false when the copy failed.
bool copy_file_with_mode(const std::string& from, const std::string& to);

#endif  // DIRGEN_SETUP_INSTALLATION_H_
