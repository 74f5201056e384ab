#include "app/command_line_mode.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "listing/build.h"
#include "project/data_folder.h"
#include "project/data_tables.h"
#include "project/settings_record.h"

namespace {

const char kUsage[] =
    "Usage: kdgn20 SETTINGS-FILE\n"
    "       kdgn20            (no argument: open the main window)\n"
    "       kdgn20 --help | --version\n"
    "\n"
    "Makes one listing of a folder or an archive as the settings file says.\n"
    "A settings file holds lines <key>value</key>, one per option (path,\n"
    "save, format, mask, subfolders, ...); the main window saves them, and\n"
    "help.html describes every key. A key the file leaves out takes its\n"
    "default (mask *, save index.html, format download.txt, ...); a key\n"
    "written empty stays empty.\n"
    "\n"
    "The listing goes to save. A relative save is taken relative to the\n"
    "listed folder (for an archive, the folder that holds it); with one\n"
    "file per folder, every folder gets its own file of that name. A\n"
    "listing replaces the old file only when the whole build succeeded.\n"
    "\n"
    "Templates and tables are read from the kvdata folder of the current\n"
    "directory, or, when it has none, from the kvdata folder beside the\n"
    "executable, or else from the installed one (../share/dirgen/kvdata\n"
    "from the executable's folder).\n"
    "\n"
    "Standard output gets \"Dirgen 2.0\" and one result line: \"Build is\n"
    "successful.\" or what failed, with the file and the system's reason.\n"
    "Entries that could not be read are listed on standard error (the\n"
    "first 20, then their number) and left out of the listing.\n"
    "\n"
    "Exit status: 0 when the build is successful; 1 when the settings file\n"
    "cannot be read, the build fails, or entries could not be read (the\n"
    "listing was then written without them); 2 for a wrong command line (an\n"
    "unknown option or more than one argument).\n";

// Unreadable entries shown in full on standard error; the rest are counted.
constexpr int64_t kUnreadableShown = 20;

// Progress on standard error while a build runs: one line, when standard
// error is a terminal, erased at the end so standard output stays clean;
// and the entries that could not be read.
class terminal_progress : public build_progress {
 public:
  terminal_progress() : enabled_(isatty(STDERR_FILENO) == 1) {}
  ~terminal_progress() override { erase_line(); }
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
  void on_unreadable(const std::string& path,
                     const std::string& reason) override {
    if (++unreadable_ > kUnreadableShown) return;
    erase_line();
    std::fprintf(stderr, "kdgn20: warning: can't read %s: %s\n", path.c_str(),
                 reason.c_str());
  }
  // The closing count, once the build is over.
  void summarise() {
    erase_line();
    if (unreadable_ > kUnreadableShown) {
      std::fprintf(stderr, "kdgn20: warning: and %lld more\n",
                   static_cast<long long>(unreadable_ - kUnreadableShown));
    }
    if (unreadable_ > 0) {
      std::fprintf(stderr,
                   "kdgn20: warning: %lld entries could not be read; the "
                   "listing leaves them out\n",
                   static_cast<long long>(unreadable_));
    }
  }

 private:
  void erase_line() {
    if (shown_) std::fprintf(stderr, "\r\033[K");
    shown_ = false;
  }
  bool enabled_;
  bool shown_ = false;
  int64_t unreadable_ = 0;
};

void print_line(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
}

// Why a settings file did not load: the system's reason when it cannot be
// read, else the markup is in error.
std::string load_failure_reason(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::strerror(errno);
  std::fclose(f);
  return "the markup is not a settings file";
}

int build_from(const variant& settings_path, const std::string& working) {
  settings_record settings;
  std::string err;
  if (!settings.load_settings(settings_path, &err)) {
    print_line("Can't read " + settings_path.str() + " file. " +
               load_failure_reason(settings_path.str()));
    return 1;
  }
  data_tables formatter;
  std::string data_folder = working + "kvdata/";
  formatter.load_tables(variant(std::string_view(data_folder)));
  std::fflush(stdout);
  terminal_progress progress;
  build_outcome outcome =
      run_build(settings, formatter, data_folder, &progress);
  progress.summarise();
  if (outcome.code == kBuildOk) print_line(listings_line(outcome));
  print_line(result_line(outcome, settings.source.as_bool()));
  return outcome.code == kBuildOk && outcome.unreadable == 0 ? 0 : 1;
}

}  // namespace

int run_command_line_mode(value_list& args) {
  std::string first = args.size() > 0 ? args[0].str() : std::string();
  const bool help = first == "--help" || first == "-h";
  if (args.size() == 1 && help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() == 1 && first == "--version") {
    print_line("Dirgen 2.0");
    return 0;
  }
  // More than one word, or a word that looks like an option, is a mistake,
  // not the name of a settings file ("./-x" names such a file).
  if (args.size() > 1 || (!first.empty() && first[0] == '-')) {
    std::string problem = args.size() > 1
                              ? "give one settings file, not " + args[1].str()
                              : "unknown option " + first;
    std::fprintf(stderr, "kdgn20: %s\n\n", problem.c_str());
    std::fputs(kUsage, stderr);
    return 2;
  }
  print_line("Dirgen 2.0");
  int status = build_from(args[0], working_folder_at_start());
  std::fflush(stdout);
  return status;
}
