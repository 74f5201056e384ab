#include "setup/installation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "setup/registry.h"
#include "setup/shortcut.h"
#include "setup/user_folders.h"
#include "setup/distribution.h"
#include "setup/install_paths.h"
#include "setup/setup_names.h"

namespace {

constexpr char kNoDestination[] = "Please select a destination folder.";
constexpr char kNoDriveInfo[] =
    "There is a problem in getting the drive information. Please select "
    "another drive for installation.";
constexpr char kNoSpace[] =
    "Not enough free space on the drive. Please select another drive for "
    "installation.";
constexpr char kNoFolder[] =
    "Destination folder can not be created. Please select another directory "
    "for installation.";
constexpr char kNoRegistry[] =
    "Setup can't write to system registry.The probable reason is either you "
    "don't have enough rights or registry is corrupt.";
constexpr char kNoCopy[] = "Setup can't copy files.";
constexpr char kNoSubfolder[] = "Setup can't create a folder.";
constexpr char kNoStartMenu[] = "Setup can't create Start menu link.";

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir that counts an existing folder as success.
bool make_folder(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0 || is_folder(path);
}

// Creates every folder on the way to path, the root excepted.
bool make_folder_chain(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    make_folder(path.substr(0, slash));
  }
  return make_folder(path);
}

// One run of the installation: the state the steps share.
class installation_run {
 public:
  installation_run(const installation_request& request,
                   setup_services* services)
      : request_(request), services_(services) {}

  install_outcome run();
  const std::string& folder() const { return folder_; }

 private:
  install_outcome check_destination();
  bool record_installation();
  bool copy_files();
  bool copy_folders();
  // Null on success, else the message to show.
  const char* make_start_menu();
  void register_uninstaller();
  bool write_product_value(std::string_view name, const std::string& value);
  void progress(int p);
  void advance(uint64_t size);
  install_outcome fail(const char* message, install_outcome outcome);

  const installation_request& request_;
  setup_services* services_;
  std::string folder_;  // the installation folder
  registry_root root_ = registry_root::machine;
  int percent_ = 0;
};

install_outcome installation_run::fail(const char* message,
                                       install_outcome outcome) {
  services_->show_message(message, message_icon::warning);
  return outcome;
}

void installation_run::progress(int p) {
  percent_ = p;
  if (request_.on_progress) request_.on_progress(p);
}

void installation_run::advance(uint64_t size) {
  uint64_t total = std::max<uint64_t>(request_.total_size, 1);
  progress(percent_ + static_cast<int>(static_cast<double>(size) * 88.0 /
                                       static_cast<double>(total)));
}

install_outcome installation_run::check_destination() {
  if (request_.destination_text.empty())
    return fail(kNoDestination, install_outcome::stay);
  std::string destination =
      normalize_destination(request_.destination_text, request_.current_folder);
  uint64_t free_bytes = 0;
  if (!services_->free_space(existing_ancestor(destination), &free_bytes))
    return fail(kNoDriveInfo, install_outcome::stay);
  if (free_bytes < request_.total_size)
    return fail(kNoSpace, install_outcome::stay);
  folder_ = installation_folder_for(destination);
  return install_outcome::done;
}

bool installation_run::write_product_value(std::string_view name,
                                           const std::string& value) {
  kvhash values;
  values.put(kvval(name), kvval(std::string_view(value)));
  return write_registry(root_, kvval(kProductKey), &values);
}

bool installation_run::record_installation() {
  root_ = install_registry_root();
  create_registry_key(root_, kvval(kVendorKey));
  if (!create_registry_key(root_, kvval(kProductKey))) {
    kvhash probe;
    if (!read_registry(root_, kvval(kProductKey), &probe)) return false;
  }
  progress(4);
  return write_product_value(kInstallFolderValue, folder_);
}

bool installation_run::copy_files() {
  for (std::string_view name : kDistributionFiles) {
    std::string from = request_.source_folder + "/" + std::string(name);
    uint64_t size = 0;
    file_size_of(from, &size);
    if (!copy_file_with_mode(from, folder_ + std::string(name))) return false;
    advance(size);
  }
  return true;
}

// The data folders: only the files directly inside are installed.
bool installation_run::copy_folders() {
  for (std::string_view name : kDistributionFolders) {
    std::string target = folder_ + std::string(name);
    if (!make_folder(target)) {
      services_->show_message(kNoSubfolder, message_icon::warning);
      return false;
    }
    std::string source = request_.source_folder + "/" + std::string(name);
    std::vector<distribution_file> files;
    if (!list_folder_files(source, &files)) continue;
    for (const distribution_file& f : files) {
      if (!copy_file_with_mode(source + "/" + f.name, target + "/" + f.name)) {
        services_->show_message(kNoCopy, message_icon::warning);
        return false;
      }
      advance(f.size);
    }
  }
  return true;
}

const char* installation_run::make_start_menu() {
  kvval programs;
  if (!programs_folder(&programs)) return kNoStartMenu;
  std::string menu = programs.str();
  if (menu.back() != '/') menu += '/';
  menu += kStartMenuFolder;
  if (!make_folder(menu)) return kNoStartMenu;
  if (!write_product_value(kStartMenuValue, menu)) return kNoRegistry;
  std::string program = folder_ + std::string(kProgramFile);
  std::string icon = folder_ + std::string(kIconFile);
  std::string link = menu + "/" + std::string(kProgramShortcut);
  if (!create_shortcut(kvval(std::string_view(link)),
                       kvval(std::string_view(program)), kvval(""),
                       kvval(std::string_view(icon)), 0, 5,
                       kvval(std::string_view(folder_)))) {
    return kNoStartMenu;
  }
  progress(percent_ + 3);
  std::string help = folder_ + std::string(kHelpFile);
  link = menu + "/" + std::string(kHelpShortcut);
  create_shortcut(kvval(std::string_view(link)), kvval(std::string_view(help)),
                  kvval(""), kvval(""), 0, 5, kvval(""));
  return nullptr;
}

void installation_run::register_uninstaller() {
  progress(percent_ + 2);
  create_registry_key(root_, kvval(kUninstallKey));
  kvhash values;
  values.put(kvval(kDisplayNameValue), kvval(kProductName));
  values.put(kvval(kUninstallStringValue),
             kvval(std::string_view(folder_ + std::string(kRemoveFile))));
  write_registry(root_, kvval(kUninstallKey), &values);
}

install_outcome installation_run::run() {
  install_outcome checked = check_destination();
  if (checked != install_outcome::done) return checked;
  if (request_.on_start) request_.on_start();
  if (!make_folder_chain(folder_))
    return fail(kNoFolder, install_outcome::go_back);
  progress(2);
  folder_ += '/';
  if (!record_installation())
    return fail(kNoRegistry, install_outcome::go_back);
  progress(5);
  if (!copy_files()) return fail(kNoCopy, install_outcome::go_back);
  std::string program = folder_ + std::string(kProgramFile);
  ::unlink(program.c_str());
  ::rename((folder_ + std::string(kSetupFile)).c_str(), program.c_str());
  if (!copy_folders()) return install_outcome::go_back;
  if (const char* message = make_start_menu())
    return fail(message, install_outcome::go_back);
  register_uninstaller();
  progress(100);
  return install_outcome::done;
}

}  // namespace

bool copy_file_with_mode(const std::string& from, const std::string& to) {
  struct stat st;
  if (::stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::error_code ec;
  // Removing first lets a running copy of the program be replaced.
  std::filesystem::remove(to, ec);
  if (!std::filesystem::copy_file(from, to, ec) || ec) return false;
  return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

install_outcome run_installation(const installation_request& request,
                                 setup_services* services,
                                 std::string* installation_folder) {
  installation_run run(request, services);
  install_outcome outcome = run.run();
  if (outcome == install_outcome::done) *installation_folder = run.folder();
  return outcome;
}
