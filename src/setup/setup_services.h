// What the installer asks of its surroundings: message boxes, the free
// space of a file system and starting the installed program. The wizard window
// supplies the real ones (QMessageBox, statvfs); tests supply recording fakes
// so nothing blocks.
#ifndef DIRGEN_SETUP_SETUP_SERVICES_H_
#define DIRGEN_SETUP_SETUP_SERVICES_H_

#include <cstdint>
#include <string>

enum class message_icon { error, warning };

class setup_services {
 public:
  virtual ~setup_services() = default;
  // Shows text in a modal message box with an OK button and the caption
  // "Dirgen 2.0"; returns when the user has closed it.
  virtual void show_message(const std::string& text, message_icon icon) = 0;
  // On success returns true and *bytes holds the bytes free for this user
  // on the file system that holds folder (which exists). False when the
  // query fails.
  virtual bool free_space(const std::string& folder, uint64_t* bytes) = 0;
  // Starts program in folder, detached from the installer. False when it
  // could not be started.
  virtual bool start_program(const std::string& program,
                             const std::string& folder) = 0;
};

// free_space for the real file system: statvfs, available blocks times the
// fragment size, computed in 64 bits.
bool statvfs_free_space(const std::string& folder, uint64_t* bytes);

#endif  // DIRGEN_SETUP_SETUP_SERVICES_H_
