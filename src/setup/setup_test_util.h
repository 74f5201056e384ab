// Shared by the installer tests: a distribution made in a temporary folder,
// recording fake services, and an isolated desktop (HOME, XDG folders and
// records folders in temporary folders).
#ifndef DIRGEN_SETUP_SETUP_TEST_UTIL_H_
#define DIRGEN_SETUP_SETUP_TEST_UTIL_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "setup/setup_services.h"
#include "support/scratch_folder.h"

// Messages are recorded, never shown; the free space is whatever the test
// sets (or a failure).
class fake_services : public setup_services {
 public:
  void show_message(const std::string& text, message_icon icon) override {
    messages.push_back(text);
    icons.push_back(icon);
  }
  bool free_space(const std::string& folder, uint64_t* bytes) override {
    asked_folder = folder;
    *bytes = free_bytes;
    return space_known;
  }
  bool start_program(const std::string& program,
                     const std::string& folder) override {
    started.push_back(program + " in " + folder);
    return true;
  }

  std::vector<std::string> messages;
  std::vector<message_icon> icons;
  uint64_t free_bytes = uint64_t{5} << 30;
  bool space_known = true;
  std::string asked_folder;
  std::vector<std::string> started;
};

// Writes a complete distribution into folder: the listed files ("setup"
// and "remove" runnable), kvdata with two files and a sub-folder, images
// with one file. Returns the total of the bytes to copy.
uint64_t make_distribution(const std::string& folder);

// A desktop of its own: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, both
// records folders and the machine-wide prefix of menu entries and icons
// point into temporary folders for the object's life.
class isolated_desktop {
 public:
  isolated_desktop();
  const std::string& home() const { return home_.path(); }
  std::string machine_records() const {
    return machine_.path() + "/installations";
  }
  std::string user_records() const { return user_.path() + "/installations"; }
  // The per-user menu and icon folders, and the machine-wide ones.
  std::string applications() const;
  std::string icons() const;
  std::string system_prefix() const { return system_.path(); }
  std::string system_applications() const;
  std::string system_icons() const;
  // Points the machine's records folder below a plain file, where nothing
  // can be written, so installations are per-user.
  void forbid_machine_records();
  // Points both records folders below a plain file.
  void forbid_records();

 private:
  scratch_folder home_, machine_, user_, system_;
  std::vector<std::unique_ptr<scoped_env>> env_;
};

// Every path below folder (relative), with a file's content or "<dir>" /
// "<link>" and its permission bits.
std::map<std::string, std::string> snapshot(const std::string& folder);

struct program_run {
  int status = -1;     // the exit status; -1 when it did not exit normally
  std::string output;  // standard output and error
};

// Runs program with no arguments, as the user "nobody" when as_nobody (the
// caller being root), and waits for it.
program_run run_program(const std::string& program, bool as_nobody = false);

// True when path is a regular file that its owner may run.
bool is_runnable(const std::string& path);

#endif  // DIRGEN_SETUP_SETUP_TEST_UTIL_H_
