// The installation itself, run when the wizard enters its last page: checks
// the destination and its free space, copies the distribution, records the
// installation in the registry, makes the Start-menu shortcuts and the
// uninstall entry. Plain C++; the wizard window only shows its progress.
#ifndef DIRGEN_SETUP_INSTALLATION_H_
#define DIRGEN_SETUP_INSTALLATION_H_

#include <cstdint>
#include <functional>
#include <string>

#include "setup/setup_services.h"

// How the installation ended, and so which page the wizard shows next.
enum class install_outcome {
  done,     // installed: show the completion page
  stay,     // refused before anything was touched: page 2, screen unchanged
  go_back,  // failed part-way: page 2 with its defaults recomputed
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

// Runs the installation steps in order; every failure is told through
// services->show_message before returning. On done, *installation_folder
// holds the installation folder with its trailing "/". Things made before a
// failure stay in place; a second run overwrites them.
install_outcome run_installation(const installation_request& request,
                                 setup_services* services,
                                 std::string* installation_folder);

// Copies the file from to the path to, replacing an existing file, and gives
// the copy the permission bits of the original (so a program stays
// runnable). Returns false when the copy failed.
bool copy_file_with_mode(const std::string& from, const std::string& to);

#endif  // DIRGEN_SETUP_INSTALLATION_H_
