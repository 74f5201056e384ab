#include "setup/setup_test_util.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
  write(folder + "/kvdata/styles.txt",
        "<style_name>Links</style_name><style_file>links.txt</style_file>\n",
        0644);
  write(folder + "/kvdata/README", std::string(2000, 'k'), 0644);
  write(folder + "/kvdata/sub/skipped.txt", std::string(9999, 's'), 0644);
  write(folder + "/images/folder.svg", "<svg/>\n", 0644);
  write(folder + "/images/dirgen.svg", "<svg>dirgen</svg>\n", 0644);
  uint64_t total = 0;
  for (const char* name :
       {"setup", "remove", "readme.txt", "license.txt", "help.html",
        "dirgen.gif", "kvdata/styles.txt", "kvdata/README", "images/folder.svg",
        "images/dirgen.svg"})
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
  set("DIRGEN_INSTALLATIONS_MACHINE", machine_records());
  set("DIRGEN_INSTALLATIONS_USER", user_records());
  set("DIRGEN_SYSTEM_PREFIX", system_prefix());
}

std::string isolated_desktop::applications() const {
  return home() + "/.local/share/applications";
}

std::string isolated_desktop::icons() const {
  return home() + "/.local/share/icons/hicolor/scalable/apps";
}

std::string isolated_desktop::system_applications() const {
  return system_prefix() + "/share/applications";
}

std::string isolated_desktop::system_icons() const {
  return system_prefix() + "/share/icons/hicolor/scalable/apps";
}

void isolated_desktop::forbid_machine_records() {
  write(machine_.path() + "/file", "", 0644);
  env_.push_back(std::make_unique<scoped_env>(
      "DIRGEN_INSTALLATIONS_MACHINE",
      (machine_.path() + "/file/installations").c_str()));
}

void isolated_desktop::forbid_records() {
  forbid_machine_records();
  write(user_.path() + "/file", "", 0644);
  env_.push_back(std::make_unique<scoped_env>(
      "DIRGEN_INSTALLATIONS_USER",
      (user_.path() + "/file/installations").c_str()));
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

program_run run_program(const std::string& program, bool as_nobody) {
  constexpr uid_t kNobody = 65534;  // on Debian
  program_run result;
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return result;
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipe_ends[1], 1);
    ::dup2(pipe_ends[1], 2);
    ::close(pipe_ends[0]);
    if (as_nobody && (::setgroups(0, nullptr) != 0 ||
                      ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                      ::setresuid(kNobody, kNobody, kNobody) != 0))
      ::_exit(126);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  char buffer[512];
  ssize_t n;
  while ((n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0)
    result.output.append(buffer, static_cast<size_t>(n));
  ::close(pipe_ends[0]);
  int raw = 0;
  ::waitpid(child, &raw, 0);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

bool is_runnable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & S_IXUSR) != 0;
}
