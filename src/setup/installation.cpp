#include "setup/installation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "markup/files.h"
#include "platform/checksum.h"
#include "setup/catalogue_merge.h"
#include "setup/distribution.h"
#include "setup/install_paths.h"
#include "setup/install_record.h"
#include "setup/menu_entries.h"
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
// The wording users know from earlier versions, though the record is a
// plain file now.
constexpr char kNoRecord[] =
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

// How a file of the distribution is placed over an existing one.
enum class file_kind {
  program,    // always replaced
  data,       // a changed one is kept, the new version goes beside it
  catalogue,  // a changed one is merged with the new one
};

// One run of the installation: the state the steps share.
class installation_run {
 public:
  installation_run(const installation_request& request,
                   setup_services* services)
      : request_(request), services_(services) {}

  install_outcome run();
  installation_result& result() { return result_; }

 private:
  install_outcome check_destination();
  void claim_folders();
  bool copy_files();
  bool copy_folders();
  bool make_menu_entries();
  bool place(const std::string& from, const std::string& to, file_kind kind);
  bool keep_changed(const std::string& from, const std::string& to,
                    file_kind kind);
  bool write_placed(const std::string& path, const std::string& text);
  void progress(int p);
  void advance(uint64_t size);
  install_outcome fail(const char* message, install_outcome outcome);

  const installation_request& request_;
  setup_services* services_;
  installation_result result_;
  std::string folder_;       // the installation folder
  install_record previous_;  // of an earlier installation into folder_
  install_record record_;
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

// The folders this installation may remove again when it is removed: the
// ones it is about to create, and the ones another recorded installation
// created on the same paths (so whichever is removed last removes them).
void installation_run::claim_folders() {
  std::vector<std::string> claimed_elsewhere;
  for (install_scope scope : {install_scope::machine, install_scope::user}) {
    for (const install_record& other : all_records(scope)) {
      if (other.inst_dir == record_.inst_dir) continue;
      claimed_elsewhere.insert(claimed_elsewhere.end(),
                               other.created_folders.begin(),
                               other.created_folders.end());
    }
  }
  std::vector<std::string>& claimed = record_.created_folders;
  claimed = previous_.created_folders;
  auto claim = [&claimed](const std::string& folder) {
    if (std::find(claimed.begin(), claimed.end(), folder) == claimed.end())
      claimed.push_back(folder);
  };
  bool everyone = result_.for_everyone;
  for (const std::string& path :
       {folder_, folder_ + "/kvdata", folder_ + "/images",
        menu_folder(everyone), icon_folder(everyone),
        records_folder(record_.scope)}) {
    for (const std::string& folder : missing_folders(path)) claim(folder);
    for (const std::string& folder : claimed_elsewhere) {
      if (path == folder ||
          path.compare(0, folder.size() + 1, folder + "/") == 0)
        claim(folder);
    }
  }
}

bool installation_run::write_placed(const std::string& path,
                                    const std::string& text) {
  if (!write_file_atomically(path, text, kInstalledFileOptions, nullptr))
    return false;
  record_.files.push_back({path, sha256_hex(text)});
  return true;
}

bool installation_run::place(const std::string& from, const std::string& to,
                             file_kind kind) {
  std::string shipped, current;
  if (!file_sha256(from, &shipped, nullptr)) return false;
  bool exists = file_sha256(to, &current, nullptr);
  bool replace = !exists || kind == file_kind::program || current == shipped ||
                 current == previous_.sum_of(to);
  if (!replace && !keep_changed(from, to, kind)) return false;
  if (replace && !copy_file_with_mode(from, to)) return false;
  // A kept file stays recorded with the shipped checksum, so that it still
  // counts as the user's when the installation is removed.
  record_.files.push_back({to, shipped});
  return true;
}

bool installation_run::keep_changed(const std::string& from,
                                    const std::string& to, file_kind kind) {
  result_.kept.push_back(to);
  if (kind == file_kind::catalogue) {
    std::string shipped, users;
    return read_whole_file(from, &shipped, nullptr) &&
           read_whole_file(to, &users, nullptr) &&
           write_file_atomically(to + std::string(kOldVersionSuffix), users,
                                 kInstalledFileOptions, nullptr) &&
           write_file_atomically(to, merge_catalogue(shipped, users),
                                 kInstalledFileOptions, nullptr);
  }
  std::string beside = to + std::string(kNewVersionSuffix);
  std::string shipped;
  if (!copy_file_with_mode(from, beside) ||
      !file_sha256(beside, &shipped, nullptr))
    return false;
  record_.files.push_back({beside, shipped});
  return true;
}

bool installation_run::copy_files() {
  for (std::string_view name : kDistributionFiles) {
    std::string from = request_.source_folder + "/" + std::string(name);
    // The installer's own file is installed as the program.
    bool is_setup = name == kSetupFile;
    std::string to = folder_ + std::string(is_setup ? kProgramFile : name);
    bool program = is_setup || name == kRemoveFile;
    uint64_t size = 0;
    file_size_of(from, &size);
    if (!place(from, to, program ? file_kind::program : file_kind::data))
      return false;
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
      std::string relative = std::string(name) + "/" + f.name;
      file_kind kind =
          relative == kCatalogueFile ? file_kind::catalogue : file_kind::data;
      if (!place(source + "/" + f.name, target + "/" + f.name, kind)) {
        services_->show_message(kNoCopy, message_icon::warning);
        return false;
      }
      advance(f.size);
    }
  }
  return true;
}

bool installation_run::make_menu_entries() {
  bool everyone = result_.for_everyone;
  std::string menu = menu_folder(everyone), icons = icon_folder(everyone);
  if (!make_folders(menu, nullptr) || !make_folders(icons, nullptr))
    return false;
  result_.menu_folder = menu;
  std::string icon = icons + "/" + std::string(kIconName) + ".svg";
  std::string icon_source =
      request_.source_folder + "/" + std::string(kIconSource);
  std::string icon_sum;
  if (!copy_file_with_mode(icon_source, icon) ||
      !file_sha256(icon, &icon_sum, nullptr))
    return false;
  record_.files.push_back({icon, icon_sum});
  progress(percent_ + 3);
  return write_placed(menu + "/" + std::string(kProgramEntryFile),
                      desktop_entry_text(program_entry(folder_))) &&
         write_placed(menu + "/" + std::string(kManualEntryFile),
                      desktop_entry_text(manual_entry(folder_)));
}

install_outcome installation_run::run() {
  install_outcome checked = check_destination();
  if (checked != install_outcome::done) return checked;
  if (request_.on_start) request_.on_start();
  record_.scope = installation_scope();
  result_.for_everyone = record_.scope == install_scope::machine;
  record_.inst_dir = folder_ + "/";
  load_record(record_.scope, record_.inst_dir, &previous_);
  claim_folders();
  if (!make_folders(folder_, nullptr))
    return fail(kNoFolder, install_outcome::failed);
  progress(2);
  folder_ += '/';
  progress(5);
  if (!copy_files()) return fail(kNoCopy, install_outcome::failed);
  if (!copy_folders()) return install_outcome::failed;
  if (!make_menu_entries()) return fail(kNoStartMenu, install_outcome::failed);
  progress(percent_ + 2);
  if (!save_record(record_, nullptr))
    return fail(kNoRecord, install_outcome::failed);
  result_.folder = folder_;
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
                                 installation_result* result) {
  installation_run run(request, services);
  install_outcome outcome = run.run();
  if (outcome == install_outcome::done) *result = std::move(run.result());
  return outcome;
}
