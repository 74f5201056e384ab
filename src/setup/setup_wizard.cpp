#include "setup/setup_wizard.h"

#include "markup/files.h"
#include "project/number_format.h"
#include "setup/distribution.h"
#include "setup/install_paths.h"
#include "setup/setup_names.h"

namespace {

constexpr char kFileError[] = "File error";
constexpr char kPreviousVersion[] =
    "Previous version of software is detected. It is highly recommended that "
    "you install current version to the same directory.";

}  // namespace

std::string unwrap_paragraphs(std::string_view text) {
  std::string out;
  size_t start = 0;
  bool previous_blank = true;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    bool last = end == std::string_view::npos;
    std::string_view line = text.substr(start, last ? text.npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool blank = line.find_first_not_of(" \t") == std::string_view::npos;
    bool indented = !line.empty() && (line[0] == ' ' || line[0] == '\t');
    if (!out.empty() && out.back() == '\n' && !previous_blank && !blank &&
        !indented) {
      out.back() = ' ';
    }
    out += line;
    if (!last) out += '\n';
    previous_blank = blank;
    start = last ? text.size() : end + 1;
  }
  return out;
}

setup_wizard::setup_wizard(std::string source_folder,
                           std::string current_folder, setup_services* services)
    : source_folder_(std::move(source_folder)),
      current_folder_(std::move(current_folder)),
      services_(services) {
  std::string missing;
  if (!check_distribution(source_folder_, &total_size_, &missing)) {
    services_->show_message(incomplete_distribution_message(missing),
                            message_icon::error);
    incomplete_ = true;
    closed_ = true;
    return;
  }
  required_space_ = required_space_line(total_size_, user_number_format());
  show_page();
}

void setup_wizard::next() {
  if (closed_ || page_ >= 3) return;
  ++page_;
  show_page();
}

void setup_wizard::back() {
  if (closed_ || page_ <= 0 || page_ >= 3) return;
  --page_;
  show_page();
}

void setup_wizard::show_page() {
  if (page_ == 1) enter_license_page();
  if (page_ == 2) enter_destination_page();
  if (page_ == 3) install();
}

void setup_wizard::enter_license_page() {
  std::string text;
  std::string path = source_folder_ + "/" + std::string(kLicenseFile);
  if (!read_whole_file(path, &text, nullptr)) {
    services_->show_message(kFileError, message_icon::error);
    closed_ = true;
    return;
  }
  license_text_ = unwrap_paragraphs(text);
}

void setup_wizard::enter_destination_page() {
  bool previous = false;
  default_destination(&destination_, &previous);
  notice_ = previous ? kPreviousVersion : "";
  edit_text_ = destination_;
}

std::string setup_wizard::destination_hint() const {
  bool everyone = installs_for_everyone();
  return "Dirgen goes into a folder named " + std::string(kInstallSubfolder) +
         " inside the folder you select. It is installed " +
         (everyone ? "for everyone on this computer"
                   : "for you only (run setup as root to install it for "
                     "everyone)") +
         "; its menu entries go to " + menu_folder(everyone) + ".";
}

std::string setup_wizard::installed_program() const {
  if (result_.folder.empty()) return "";
  return result_.folder + std::string(kProgramFile);
}

std::string setup_wizard::completion_details() const {
  std::string text = "Dirgen is installed in " + result_.folder +
                     ". Start it from the menu (Dirgen) or run " +
                     installed_program() + ".";
  if (!result_.kept.empty()) {
    text +=
        "\nYou had changed these files, so they were kept and each new "
        "version was put beside its file as NAME" +
        std::string(kNewVersionSuffix) +
        " (the style catalogue was merged instead, your previous one "
        "kept as NAME" +
        std::string(kOldVersionSuffix) + "):";
    for (const std::string& path : result_.kept) text += "\n" + path;
  }
  return text;
}

void setup_wizard::install() {
  installation_request request;
  request.source_folder = source_folder_;
  request.current_folder = current_folder_;
  request.destination_text = edit_text_;
  request.total_size = total_size_;
  request.on_start = on_install_start;
  request.on_progress = on_progress;
  switch (run_installation(request, services_, &result_)) {
    case install_outcome::done:
      destination_ = result_.folder;
      break;
    case install_outcome::stay:
    case install_outcome::failed:
      // Back to the destination page with the text as the user typed it.
      page_ = 2;
      break;
  }
}
