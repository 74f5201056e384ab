#include "setup/setup_wizard.h"

#include "markup/files.h"
#include "project/number_format.h"
#include "setup/distribution.h"
#include "setup/install_paths.h"
#include "setup/installation.h"
#include "setup/setup_names.h"

namespace {

constexpr char kIncomplete[] = "The distribution is incomplete.\nTerminating.";
constexpr char kFileError[] = "File error";
constexpr char kNoRegistryRead[] =
    "Setup can't read system registry.The probable reason is either you "
    "don't have enough rights or registry is corrupt.";
constexpr char kPreviousVersion[] =
    "Previous version of software is detected. It is highly recommended that "
    "you install current version to the same directory.";

}  // namespace

setup_wizard::setup_wizard(std::string source_folder,
                           std::string current_folder, setup_services* services)
    : source_folder_(std::move(source_folder)),
      current_folder_(std::move(current_folder)),
      services_(services) {
  if (!check_distribution(source_folder_, &total_size_)) {
    services_->show_message(kIncomplete, message_icon::error);
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
  license_text_ = std::move(text);
}

void setup_wizard::enter_destination_page() {
  bool previous = false;
  if (!default_destination(&destination_, &previous)) {
    services_->show_message(kNoRegistryRead, message_icon::error);
    closed_ = true;
    return;
  }
  if (previous) notice_ = kPreviousVersion;
  edit_text_ = destination_;
}

void setup_wizard::install() {
  installation_request request;
  request.source_folder = source_folder_;
  request.current_folder = current_folder_;
  request.destination_text = edit_text_;
  request.total_size = total_size_;
  request.on_start = on_install_start;
  request.on_progress = on_progress;
  std::string folder;
  switch (run_installation(request, services_, &folder)) {
    case install_outcome::done:
      destination_ = folder;
      break;
    case install_outcome::stay:
      page_ = 2;
      break;
    case install_outcome::go_back:
      page_ = 2;
      show_page();
      break;
  }
}
