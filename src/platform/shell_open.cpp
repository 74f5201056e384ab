#include "platform/shell_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <thread>

extern char** environ;

std::vector<std::string> document_command(std::string_view operation,
                                          std::string_view target) {
  if (operation != "execute") {
    return {"xdg-open", std::string(target)};
  }
  size_t blank = target.find(' ');
  if (blank == std::string_view::npos) return {std::string(target)};
  std::vector<std::string> argv{std::string(target.substr(0, blank))};
  std::string_view parameters = target.substr(blank + 1);
  if (!parameters.empty()) argv.emplace_back(parameters);
  return argv;
}

namespace {

// posix_spawn attributes and file actions, released on every path.
struct spawn_setup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  spawn_setup() {
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  ~spawn_setup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  spawn_setup(const spawn_setup&) = delete;
  spawn_setup& operator=(const spawn_setup&) = delete;
};

}  // namespace

bool start_program(const std::vector<std::string>& argv, std::string* err) {
  if (argv.empty() || argv[0].empty()) {
    *err = "no program given";
    return false;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  spawn_setup setup;
  pid_t pid = 0;
  int rc = ::posix_spawnp(&pid, args[0], &setup.actions, &setup.attr,
                          args.data(), environ);
  if (rc != 0) {
    *err = "cannot start " + argv[0] + ": " + std::strerror(rc);
    return false;
  }
  // The program runs on by itself; this thread only collects its exit status
  // so that it does not linger as a zombie.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

bool open_document(const kvval& operation, const kvval& target,
                   std::string* err) {
  if (target.length() == 0) {
    *err = "nothing to open";
    return false;
  }
  return start_program(document_command(operation.view(), target.view()),
                       err);
}
