// Entry point of the one executable. The name it was started under picks the
// role: the application (command line or window) or the installer.
#include <cstdio>
#include <new>

#include "app/command_line_mode.h"
#include "app/startup.h"
#include "app/windowed_mode.h"
#include "markup/interrupt_cleanup.h"
#include "text/out_of_memory.h"
#include "text/posix_regex.h"
#include "value/value_list.h"

namespace {

// The regex library is linked directly; this check keeps the start-up rule
// that nothing runs before it is known to be usable.
bool check_regex_library() {
  if (load_regex_library()) return true;
  std::fprintf(stderr, "Fatal Error: Can't load kv_hs_regex.dll\n");
  return false;
}

int run_application(int argc, char** argv) {
  // Either mode may be interrupted while a build writes its listings.
  install_interrupt_cleanup();
  value_list args;
  for (int i = 1; i < argc; ++i) args.push(variant(argv[i]));
  return args.size() > 0 ? run_command_line_mode(args)
                         : run_windowed_mode(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(out_of_memory);
  app_role role = role_from_program_name(argc > 0 ? argv[0] : "");
  if (!check_regex_library()) return 1;
  int status = 0;
  if (role == app_role::installer) {
    status = run_installer(argc, argv);
  } else if (role == app_role::application) {
    status = run_application(argc, argv);
  }
  return status;
}
