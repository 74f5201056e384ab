#include "app/command_line_mode.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/command_line_options.h"
#include "listing/build.h"
#include "listing/masks.h"
#include "listing/variables.h"
#include "markup/template_check.h"
#include "project/data_folder.h"
#include "project/data_tables.h"
#include "project/settings_keys.h"
#include "project/settings_record.h"

namespace {

// The answer to --help: the forms, the options by group, where to read more.
const char kHelp[] =
    "Usage: kdgn20 [OPTION]... SOURCE\n"
    "  or:  kdgn20 SETTINGS-FILE\n"
    "  or:  kdgn20               (no argument: open the main window)\n"
    "Make a listing document of the folder or archive SOURCE (an HTML page of\n"
    "links, a sortable table, JSON Lines, ...) by filling a template.\n"
    "\n"
    "Examples:\n"
    "  kdgn20 -s table -r -o /tmp/doc.html /usr/share/doc\n"
    "  kdgn20 -s json -r -o - ~/photos | jq -r .path\n"
    "  kdgn20 --settings site.txt --title Downloads\n"
    "\n"
    " Output and style:\n"
    "  -o, --output=FILE         write the listing to FILE (- for standard\n"
    "                            output); default index.html in SOURCE\n"
    "  -s, --style=NAME|FILE     a style of the catalogue (--list-styles) or a\n"
    "                            template file\n"
    "  -r, --recursive           list the subfolders too, into one listing\n"
    "      --per-folder          one listing in every folder, linked together\n"
    "      --title=TEXT          the page title (default: the folder's name)\n"
    "      --base-url=URL        put URL in front of every link\n"
    "      --image-dir=DIR|embedded  where the icons are (embedded: in the page)\n"
    "      --escape-links        HTML-escape links instead of URL-encoding them\n"
    "      --replace-existing    may replace a file this program did not write\n"
    " Choosing entries:\n"
    "      --include=PATTERNS    files to list (wildcards, ; between; default *)\n"
    "      --exclude=PATTERNS    files to leave out\n"
    "      --include-folders=PATTERNS, --exclude-folders=PATTERNS\n"
    "                            the same for folders\n"
    "      --min-size=SIZE, --max-size=SIZE  files within these sizes (20K, 4M)\n"
    "      --newer=DATE, --older=DATE  files modified within these dates\n"
    "                            (2024-05-31, \"2024-05-31 18:00\", @SECONDS)\n"
    "      --no-folders, --folders  leave folders out of the listing, or not\n"
    " Order and display:\n"
    "      --sort=KEY            none, name, ext, size or date\n"
    "      --reverse             in descending order\n"
    "      --date-format=FORMAT  strftime format of dates (default %c)\n"
    "      --utc                 dates in UTC instead of local time\n"
    "      --size-units=UNIT     bytes, kb, mb, human or human-binary\n"
    "      --summary, --no-summary  add the totals or not\n"
    " Settings files:\n"
    "      --settings=FILE       start from FILE (- for standard input); the\n"
    "                            options given override it\n"
    "      --save-settings=FILE  write the settings to FILE instead of building\n"
    "      --print-settings      print the settings instead of building\n"
    " Other:\n"
    "      --check               check everything, report what would be\n"
    "                            written, write nothing\n"
    "      --list-styles         print the catalogue's styles\n"
    "  -q, --quiet               no warnings, no progress\n"
    "  -v, --verbose             report what was written\n"
    "  -h, --help                print this help\n"
    "      --version             print the version\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 wrong command line, 3 listing\n"
    "written but some entries could not be read.\n"
    "Full documentation: man kdgn20, and the manual help.html.\n";

const char kProgram[] = "kdgn20";
const char kVersion[] = "Dirgen 2.0";

// Exit statuses of both forms of the command line.
enum exit_status : int {
  kExitSuccess = 0,
  kExitFailure = 1,
  kExitUsage = 2,
  kExitUnreadable = 3,
};

// Bytes read to tell a settings file from an archive.
constexpr size_t kSniffBytes = 512;

// Unreadable entries shown in full on standard error; the rest are counted.
constexpr int64_t kUnreadableShown = 20;

// Progress on standard error while a build runs: one line, when standard
// error is a terminal, erased at the end so standard output stays clean;
// and the entries that could not be read.
class terminal_progress : public build_progress {
 public:
  // show_progress: the progress line may be drawn (standard error being a
  // terminal is checked here too); warn: the unreadable entries are told.
  explicit terminal_progress(bool show_progress = true, bool warn = true)
      : enabled_(show_progress && isatty(STDERR_FILENO) == 1), warn_(warn) {}
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
    if (++unreadable_ > kUnreadableShown || !warn_) return;
    erase_line();
    std::fprintf(stderr, "kdgn20: warning: can't read %s: %s\n", path.c_str(),
                 reason.c_str());
  }
  // The closing count, once the build is over.
  void summarise() {
    erase_line();
    if (!warn_) return;
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
  bool warn_;
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
  if (outcome.code == kBuildOk) print_line(listings_line(outcome));
  print_line(result_line(outcome, settings.source.as_bool()));
  if (outcome.code != kBuildOk) return 1;
  return outcome.unreadable == 0 ? 0 : kExitUnreadable;
}

// "kdgn20: " + text on standard error.
void report(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

int usage_error(const std::string& text) {
  report(text);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
  return kExitUsage;
}

// True when the one argument names a settings file rather than a source: a
// file that cannot be read (the settings form reports it), one that is not
// a regular file (a pipe must not lose what is read from it here) or one
// whose first bytes are markup. A folder is a source.
bool names_settings_file(const std::string& arg) {
  struct stat st;
  if (stat(arg.c_str(), &st) != 0) return true;
  if (S_ISDIR(st.st_mode)) return false;
  if (!S_ISREG(st.st_mode)) return true;
  FILE* f = std::fopen(arg.c_str(), "rb");
  if (f == nullptr) return true;
  char head[kSniffBytes];
  const size_t n = std::fread(head, 1, sizeof(head), f);
  std::fclose(f);
  return looks_like_settings_file(std::string_view(head, n));
}

std::string current_folder() {
  std::vector<char> buf(4096);
  while (getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return ".";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

// The catalogue's style_file texts, parallel to style_names().
std::vector<std::string> style_files(const data_tables& tables) {
  std::vector<std::string> files;
  const size_t n = tables.style_names().size();
  for (size_t i = 0; i < n; ++i) {
    files.push_back(tables.style_format(static_cast<int32_t>(i)).str());
  }
  return files;
}

// Each style as two lines and a blank one: its short name (what -s takes
// most easily), name and file, then the first line of its description.
void list_styles(const data_tables& tables) {
  const std::vector<std::string> names = tables.style_names();
  const std::vector<std::string> files = style_files(tables);
  for (size_t i = 0; i < names.size(); ++i) {
    std::string description =
        tables.style_description(static_cast<int32_t>(i)).str();
    const size_t end = description.find('\n');
    if (end != std::string::npos) description.resize(end);
    std::string short_name = files[i];
    if (short_name.ends_with(".txt")) short_name.resize(short_name.size() - 4);
    std::printf("%-10s %s (%s)\n%-10s %s\n\n", short_name.c_str(),
                names[i].c_str(), files[i].c_str(), "", description.c_str());
  }
}

// *format := the template -s names: a catalogue style, else a template
// file (relative to cwd). False with *err when it is neither.
bool resolve_style(const data_tables& tables, const std::string& style,
                   const std::string& cwd, std::string* format,
                   std::string* err) {
  const int n = find_style(tables.style_names(), style_files(tables), style);
  if (n >= 0) {
    *format = tables.style_format(n).str();
    return true;
  }
  const std::string path =
      style[0] == '/' ? style : (cwd.ends_with("/") ? cwd : cwd + "/") + style;
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    *format = path;
    return true;
  }
  *err = "no style or template file \"" + style +
         "\" (kdgn20 --list-styles shows the styles)";
  return false;
}

bool load_settings_from(const std::string& file, settings_record* settings,
                        std::string* err) {
  const std::string path = file == kStandardStream ? "/dev/stdin" : file;
  return settings->load_settings(variant(std::string_view(path)), err);
}

// What --check reports about the output: the file the build would write,
// or why it would be refused. True when it would be written.
bool check_output(const std::string& out, std::string* reason) {
  const size_t slash = out.rfind('/');
  const std::string folder = slash == 0 ? "/" : out.substr(0, slash);
  struct stat st;
  if (stat(out.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      *reason = std::strerror(EISDIR);
      return false;
    }
    if (access(out.c_str(), W_OK) != 0) {
      *reason = std::strerror(errno);
      return false;
    }
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

// The checks the build makes of the settings, reported as it reports them.
bool settings_are_sound(const settings_record& settings) {
  std::string err;
  const std::pair<const char*, const variant*> masks[] = {
      {"mask", &settings.mask},
      {"skip_files", &settings.skip_files},
      {"folder_include", &settings.folder_include},
      {"folder_skip", &settings.folder_skip}};
  bool sound = check_settings_record(settings, &err);
  for (const auto& [name, field] : masks) {
    if (sound) sound = check_mask(name, *field, &err);
  }
  if (!sound) report(err);
  return sound;
}

// The template checks of the build, reported as it reports them.
bool template_is_sound(const std::string& path) {
  build_outcome outcome;
  outcome.path = path;
  FILE* f = std::fopen(path.c_str(), "rb");
  struct stat st;
  template_fault fault;
  if (f == nullptr || fstat(fileno(f), &st) != 0) {
    outcome.code = kBuildNoTemplate;
    outcome.reason = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    outcome.code = kBuildNoTemplate;
    outcome.reason = std::strerror(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  } else if (!check_template_file(f, listing_variable_names(), &fault)) {
    outcome.code = fault.line == 0 ? kBuildNoTemplate : kBuildTemplateError;
    outcome.reason = fault.line == 0
                         ? fault.what
                         : "line " + std::to_string(fault.line) + ", column " +
                               std::to_string(fault.column) + ": " +
                               fault.what;
  }
  if (f != nullptr) std::fclose(f);
  if (outcome.code != kBuildOk) report(result_line(outcome, false));
  return outcome.code == kBuildOk;
}

// Reads what a build would read (template, source) and looks at where it
// would write, writing nothing. Prints "would write PATH" on standard
// output; a refusal goes to standard error.
int check_build(const settings_record& settings,
                const std::string& data_folder) {
  if (!settings_are_sound(settings)) return kExitFailure;
  if (!template_is_sound(template_file_path(settings, data_folder))) {
    return kExitFailure;
  }
  struct stat st;
  const bool archive = settings.source.as_bool();
  build_outcome outcome;
  const std::string source = settings.path.str();
  if (stat(source.c_str(), &st) != 0) {
    outcome.code = errno == ENOENT ? kBuildSourceMissing : kBuildCantReadSource;
    outcome.reason = std::strerror(errno);
  } else if (archive == S_ISDIR(st.st_mode)) {
    outcome.code = kBuildSourceWrongKind;
    outcome.reason = std::strerror(archive ? EISDIR : ENOTDIR);
  } else if (access(source.c_str(), archive ? R_OK : R_OK | X_OK) != 0) {
    outcome.code = kBuildCantReadSource;
    outcome.reason = std::strerror(errno);
  }
  if (outcome.code != kBuildOk) {
    outcome.path = source;
    report(result_line(outcome, archive));
    return kExitFailure;
  }
  if (settings.save.str() == kStandardStream) {
    std::printf("would write standard output\n");
    return kExitSuccess;
  }
  const std::string out = listing_output_path(settings);
  std::string reason = "no output file is named";
  if (out.empty() || !check_output(out, &reason)) {
    outcome.code = kBuildCantCreateOutput;
    outcome.path = out.empty() ? settings.save.str() : out;
    outcome.reason = reason;
    report(result_line(outcome, archive));
    return kExitFailure;
  }
  if (!settings.replace_existing.as_bool() && is_foreign_output(out)) {
    outcome.code = kBuildForeignOutput;
    outcome.path = out;
    outcome.reason = foreign_output_reason(1);
    report(result_line(outcome, archive));
    return kExitFailure;
  }
  const bool per_folder = settings.subfolders.as_bool() &&
                          !settings.subfolders_in_one_file.as_bool() &&
                          !archive;
  std::printf("would write %s%s\n", out.c_str(),
              per_folder ? " and the same name in every listed folder" : "");
  return kExitSuccess;
}

int build_with_options(const settings_record& settings,
                       const std::string& data_folder, int verbosity) {
  data_tables formatter;
  formatter.load_tables(variant(std::string_view(data_folder)));
  const bool to_stdout = settings.save.str() == kStandardStream;
  terminal_progress progress(verbosity >= 0 && !to_stdout, verbosity >= 0);
  build_outcome outcome = run_build(settings, formatter, data_folder,
                                    &progress, to_stdout ? stdout : nullptr);
  progress.summarise();
  const bool archive = settings.source.as_bool();
  if (outcome.code != kBuildOk) {
    report(result_line(outcome, archive));
    return kExitFailure;
  }
  if (verbosity > 0 && !to_stdout) {
    report("wrote " + listing_output_path(settings));
  }
  if (outcome.unreadable > 0) {
    if (verbosity >= 0) report(result_line(outcome, archive));
    return kExitUnreadable;
  }
  if (verbosity > 0) report(result_line(outcome, archive));
  return kExitSuccess;
}

// The options form: settings from the defaults or --settings, the options
// over them, then the action asked for.
int run_options_mode(const std::vector<std::string>& args) {
  command_line_request request;
  std::string err;
  const std::string cwd = current_folder();
  if (!parse_command_line(args, cwd, &request, &err)) return usage_error(err);
  if (request.help) {
    std::fputs(kHelp, stdout);
    return kExitSuccess;
  }
  if (request.version) {
    print_line(kVersion);
    return kExitSuccess;
  }
  const std::string data_folder = working_folder_at_start() + "kvdata/";
  data_tables tables;
  tables.load_tables(variant(std::string_view(data_folder)));
  if (request.list_styles) {
    list_styles(tables);
    return kExitSuccess;
  }

  settings_record settings;
  if (!request.settings_file.empty() &&
      !load_settings_from(request.settings_file, &settings, &err)) {
    report(err);
    return kExitFailure;
  }
  struct stat st;
  const bool is_folder =
      stat(request.source.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
  apply_command_line(request, is_folder, &settings);
  if (!request.style.empty()) {
    std::string format;
    if (!resolve_style(tables, request.style, cwd, &format, &err)) {
      return usage_error(err);
    }
    settings.format = variant(std::string_view(format));
  }

  if (request.print_settings) std::fputs(settings.settings_text().c_str(), stdout);
  if (!request.save_settings.empty()) {
    if (!settings.save_settings(
            variant(std::string_view(request.save_settings)), &err)) {
      report(err);
      return kExitFailure;
    }
  }
  if (request.print_settings || !request.save_settings.empty()) {
    return kExitSuccess;
  }
  if (settings.path.str().empty()) return usage_error("no SOURCE given");
  const bool per_folder = settings.subfolders.as_bool() &&
                          !settings.subfolders_in_one_file.as_bool() &&
                          !settings.source.as_bool();
  if (per_folder && settings.save.str() == kStandardStream) {
    report("standard output takes one listing, not one per folder");
    return kExitFailure;
  }
  if (request.check) return check_build(settings, data_folder);
  return build_with_options(settings, data_folder, request.verbosity);
}

}  // namespace

int run_command_line_mode(value_list& args) {
  std::vector<std::string> words;
  for (int32_t i = 0; i < args.size(); ++i) words.push_back(args[i].str());
  if (words.size() == 1 && !words[0].starts_with("-") &&
      names_settings_file(words[0])) {
    print_line(kVersion);
    int status = build_from(args[0], working_folder_at_start());
    std::fflush(stdout);
    return status;
  }
  const int status = run_options_mode(words);
  if (std::fflush(stdout) != 0 && status == kExitSuccess) {
    report(std::string("standard output: ") + std::strerror(errno));
    return kExitFailure;
  }
  return status;
}
