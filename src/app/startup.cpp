#include "app/startup.h"

#include <string>

#include "text/ascii.h"

app_role role_from_program_name(std::string_view argv0) {
  size_t slash = argv0.rfind('/');
  std::string name = ascii_lower(
      slash == std::string_view::npos ? argv0 : argv0.substr(slash + 1));
  if (name == "kdgn20" || name == "kdgn20.exe") return app_role::application;
  if (name == "setup" || name == "setup.exe") return app_role::installer;
  return app_role::none;
}
