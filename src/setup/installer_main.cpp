// The installer role of the executable: started as "setup", it shows the
// wizard for the distribution it was started from.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/windowed_mode.h"
#include "setup/distribution.h"
#include "setup/setup_form.h"
#include "setup/setup_names.h"

namespace {

std::string current_folder() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
  return buffer;
}

bool has_file(const std::string& folder, std::string_view name) {
  struct stat st;
  std::string path = folder + "/" + std::string(name);
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The distribution is the current folder when it holds "setup"; else the
// folder the installer was started from (the name it was called by, so a
// link named setup counts from its own folder), made absolute.
std::string distribution_folder(const char* argv0, const std::string& cwd) {
  if (has_file(cwd, kSetupFile)) return cwd;
  std::string path = argv0 != nullptr ? argv0 : "";
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return cwd;
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  if (folder.front() != '/') folder = cwd + "/" + folder;
  return folder;
}

}  // namespace

int run_installer(int argc, char** argv) {
  std::string cwd = current_folder();
  std::string source = distribution_folder(argc > 0 ? argv[0] : nullptr, cwd);
  if (!display_available()) {
    // Still say what is wrong with the distribution, which matters first.
    uint64_t total = 0;
    std::string missing;
    if (!check_distribution(source, &total, &missing)) {
      std::fprintf(stderr, "setup: %s\n",
                   incomplete_distribution_message(missing).c_str());
    } else {
      std::fprintf(stderr,
                   "setup: no display to open the installer on (neither "
                   "DISPLAY nor WAYLAND_DISPLAY is set).\n");
    }
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(
      kProductName.data(), static_cast<qsizetype>(kProductName.size())));
  setup_form form(source, cwd);
  // An incomplete distribution has been told already; nothing to show.
  if (form.wizard().incomplete()) return 1;
  form.show();
  return app.exec();
}
