#include "app/command_line_mode.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "listing/build.h"
#include "project/data_folder.h"
#include "project/dirgen_formatter.h"
#include "project/dirgen_project.h"

namespace {

const char kUsage[] =
    "Usage: kdgn20 SETTINGS-FILE\n"
    "       kdgn20            (no argument: open the main window)\n"
    "\n"
    "Makes one listing of a folder or an archive as the settings file says.\n"
    "A settings file holds lines <key>value</key>, one per option (path,\n"
    "save, format, mask, subfolders, ...); the main window saves them, and\n"
    "help.html describes every key.\n"
    "\n"
    "Templates and tables are read from the kvdata folder of the current\n"
    "directory, or, when it has none, from the kvdata folder beside the\n"
    "executable.\n"
    "\n"
    "Exit status: 0 when the build is successful; 1 when the settings file\n"
    "cannot be read or the build fails.\n";

// One line of progress on standard error while a build runs, when standard
// error is a terminal; erased at the end so standard output stays clean.
class terminal_progress : public build_progress {
 public:
  terminal_progress() : enabled_(isatty(STDERR_FILENO) == 1) {}
  ~terminal_progress() override {
    if (shown_) std::fprintf(stderr, "\r\033[K");
  }
  void on_progress(int64_t folders, int64_t entries, int64_t bytes) override {
    if (!enabled_) return;
    shown_ = true;
    std::fprintf(
        stderr,
        "\r\033[K%lld folders scanned, %lld entries, %lld bytes written",
        static_cast<long long>(folders), static_cast<long long>(entries),
        static_cast<long long>(bytes));
    std::fflush(stderr);
  }

 private:
  bool enabled_;
  bool shown_ = false;
};

void print_line(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
}

int build_from(const kvval& settings_path, const std::string& working) {
  dirgen_project settings;
  std::string err;
  if (!settings.load_settings(settings_path, &err)) {
    print_line("Can't read " + settings_path.str() + " file.");
    return 1;
  }
  dirgen_formatter formatter;
  std::string data_folder = working + "kvdata/";
  formatter.load_tables(kvval(std::string_view(data_folder)));
  std::fflush(stdout);
  int code;
  {
    terminal_progress progress;
    code = run_build(settings, formatter, data_folder, &progress);
  }
  if (code == kBuildNoTemplate) {
    print_line("Can't open template file " + data_folder +
               settings.format.str() + ".");
    return 1;
  }
  kvval message("");
  result_message(code, &message, settings.source);
  print_line(message.str());
  return code == kBuildOk ? 0 : 1;
}

}  // namespace

int run_command_line_mode(kvarr& args) {
  std::string first = args.size() > 0 ? args[0].str() : std::string();
  if (args.size() == 1 && (first == "--help" || first == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() == 1 && first == "--version") {
    print_line("Dirgen 2.0");
    return 0;
  }
  print_line("Dirgen 2.0");
  int status = build_from(args[0], working_folder_at_start());
  std::fflush(stdout);
  return status;
}
