// The installer wizard's state and page logic, without any window: the
// distribution check at start, the four pages (welcome, licence,
// destination, progress), the Back/Next/Cancel rules, the destination
// defaults and the installation. setup_form shows this state and forwards
// its buttons here; tests drive it directly.
#ifndef DIRGEN_SETUP_SETUP_WIZARD_H_
#define DIRGEN_SETUP_SETUP_WIZARD_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "setup/installation.h"
#include "setup/setup_services.h"

// text with its paragraphs' lines joined, so that the licence box can wrap
// them to its width: a line break between two non-blank lines becomes a
// blank unless the second line is indented. Blank lines stay; CR LF line
// ends become LF.
std::string unwrap_paragraphs(std::string_view text);

class setup_wizard {
 public:
  // Checks the distribution in source_folder (absolute); an incomplete one
  // is told at once ("The distribution is incomplete.", the missing file,
  // "Terminating.") and sets incomplete(). current_folder is where relative
  // destinations are taken from. services is not owned and must outlive the
  // wizard.
  setup_wizard(std::string source_folder, std::string current_folder,
               setup_services* services);

  // Page 0 welcome, 1 licence, 2 destination, 3 progress and completion.
  int page() const { return page_; }
  bool incomplete() const { return incomplete_; }
  // True once the wizard has ended (a rightmost button, or an error that
  // ends it); the window then closes.
  bool closed() const { return closed_; }

  // The middle button: the next page (entering page 3 installs).
  void next();
  // "< Back": the previous page.
  void back();
  // The rightmost button ("Cancel", "Don't Accept", "Finish").
  void close() { closed_ = true; }

  // The destination box. The window keeps it in step with the user's
  // typing; entering page 2 from page 1 replaces it with the default; a
  // failed installation leaves it as typed.
  const std::string& edit_text() const { return edit_text_; }
  void set_edit_text(std::string text) { edit_text_ = std::move(text); }

  // Texts the pages show. The licence is unwrapped (unwrap_paragraphs).
  const std::string& license_text() const { return license_text_; }
  const std::string& required_space() const { return required_space_; }
  const std::string& notice() const { return notice_; }
  // What the destination page says about the installation: the product
  // folder appended to the destination, for whom it installs and where the
  // menu entries go.
  std::string destination_hint() const;
  // What the last page says: where the program is, how to start it, and
  // the changed files that were kept.
  std::string completion_details() const;
  // The installed program (empty before an installation).
  std::string installed_program() const;
  // The destination; after an installation, the installation folder.
  const std::string& destination() const { return destination_; }
  // The installation's outcome, once page 3 is reached.
  const installation_result& result() const { return result_; }
  uint64_t total_size() const { return total_size_; }
  const std::string& source_folder() const { return source_folder_; }

  // Called during the installation (see installation_request).
  std::function<void()> on_install_start;
  std::function<void(int)> on_progress;

 private:
  void show_page();
  void enter_license_page();
  void enter_destination_page();
  void install();

  std::string source_folder_;
  std::string current_folder_;
  setup_services* services_;
  int page_ = 0;
  bool incomplete_ = false;
  bool closed_ = false;
  uint64_t total_size_ = 0;
  std::string edit_text_;
  std::string license_text_;
  std::string required_space_;
  std::string notice_;
  std::string destination_;
  installation_result result_;
};

#endif  // DIRGEN_SETUP_SETUP_WIZARD_H_
