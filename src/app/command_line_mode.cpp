#include "app/command_line_mode.h"

#include <unistd.h>

#include <cstdio>
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
    "Nothing is written when the settings or the template are in error: an\n"
    "unknown key (with the nearest known one), a value a key does not take\n"
    "(flags are 0 or 1, sizes whole numbers of bytes, ...), a file pattern\n"
    "that does not compile, or a template directive in error or naming a\n"
    "variable no listing has (with the template's line and column).\n"
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
    "first 20, then their number); the result line then says how many\n"
    "(\"Build is complete; 26 entries could not be read.\").\n"
    "\n"
    "Exit status: 0 when the build is successful; 1 when the settings file\n"
    "cannot be read or is refused, the template is in error, or the build\n"
    "fails (nothing is written); 2 for a wrong command line (an unknown\n"
    "option or more than one argument); 3 when the listing was written but\n"
    "some entries could not be read (a folder that could not be opened is\n"
    "listed without its contents, any other such entry is left out).\n";

// The exit status of a build that wrote its listing without some entries.
constexpr int kSomeEntriesUnread = 3;

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
    if (unreadable_ == 1) {
      std::fputs(
          "kdgn20: warning: 1 entry could not be read; a folder is listed "
          "without its contents, any other entry is left out\n",
          stderr);
    } else if (unreadable_ > 1) {
      std::fprintf(stderr,
                   "kdgn20: warning: %lld entries could not be read; folders "
                   "among them are listed without their contents, other "
                   "entries are left out\n",
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

int build_from(const variant& settings_path, const std::string& working) {
  settings_record settings;
  std::string err;
  if (!settings.load_settings(settings_path, &err)) {
    print_line(err);
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
  print_line(result_line(outcome, settings.source.as_bool()));
  if (outcome.code != kBuildOk) return 1;
  return outcome.unreadable == 0 ? 0 : kSomeEntriesUnread;
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
