#include "setup/setup_test_util.h"

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

void write(const std::string& path, const std::string& text, int mode) {
  write_file(path, text);
  ::chmod(path.c_str(), static_cast<mode_t>(mode));
}

}  // namespace

uint64_t make_distribution(const std::string& folder) {
  fs::create_directories(folder + "/kvdata/sub");
  fs::create_directories(folder + "/images");
  write(folder + "/setup", "#!/bin/sh\necho setup\n", 0755);
  write(folder + "/remove", "#!/bin/sh\necho remove\n", 0755);
  write(folder + "/readme.txt", "Read me.\n", 0644);
  write(folder + "/license.txt", "Licence line 1\nLicence line 2\n", 0644);
  write(folder + "/help.html", "<p>help</p>\n", 0644);
  write(folder + "/dirgen.gif", std::string(300, 'g'), 0644);
  write(folder + "/kvdata/styles.txt", "styles\n", 0644);
  write(folder + "/kvdata/README", std::string(2000, 'k'), 0644);
  write(folder + "/kvdata/sub/skipped.txt", std::string(9999, 's'), 0644);
  write(folder + "/images/folder.svg", "<svg/>\n", 0644);
  uint64_t total = 0;
  for (const char* name : {"setup", "remove", "readme.txt", "license.txt",
                           "help.html", "dirgen.gif", "kvdata/styles.txt",
                           "kvdata/README", "images/folder.svg"})
    total += fs::file_size(folder + "/" + name);
  return total;
}

isolated_desktop::isolated_desktop() {
  auto set = [this](const char* name, const std::string& value) {
    env_.push_back(std::make_unique<scoped_env>(name, value.c_str()));
  };
  set("HOME", home());
  set("XDG_DATA_HOME", home() + "/.local/share");
  set("XDG_CONFIG_HOME", home() + "/.config");
  set("DIRGEN_REGISTRY_MACHINE", machine_root());
  set("DIRGEN_REGISTRY_USER", user_root());
}

std::string isolated_desktop::applications() const {
  return home() + "/.local/share/applications";
}

void isolated_desktop::forbid_machine_root() {
  write(machine_.path() + "/file", "", 0644);
  env_.push_back(std::make_unique<scoped_env>(
      "DIRGEN_REGISTRY_MACHINE", (machine_.path() + "/file/registry").c_str()));
}

void isolated_desktop::forbid_registry() {
  forbid_machine_root();
  write(user_.path() + "/file", "", 0644);
  env_.push_back(std::make_unique<scoped_env>(
      "DIRGEN_REGISTRY_USER", (user_.path() + "/file/registry").c_str()));
}

std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string path = fs::relative(entry.path(), folder).string();
    struct stat st;
    ::lstat(entry.path().c_str(), &st);
    std::string mode = " " + std::to_string(st.st_mode & 07777);
    if (entry.is_symlink()) {
      out[path] = "<link>" + fs::read_symlink(entry.path()).string();
    } else if (entry.is_directory()) {
      out[path] = "<dir>" + mode;
    } else {
      out[path] = read_file(entry.path()) + mode;
    }
  }
  return out;
}

bool is_runnable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & S_IXUSR) != 0;
}
