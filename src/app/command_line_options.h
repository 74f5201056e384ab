// command_line_options: the options form of the command line,
// "kdgn20 [OPTIONS] SOURCE". Turns the arguments into settings-key values
// and the actions asked for, without reading or writing anything: the
// command-line mode loads files, the style catalogue and the sources.
//
// Thread safety: parse_command_line uses getopt_long, whose state is
// global; call it from one thread at a time.
#ifndef DIRGEN_APP_COMMAND_LINE_OPTIONS_H_
#define DIRGEN_APP_COMMAND_LINE_OPTIONS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "project/settings_record.h"

// The output name that sends the listing to standard output.
inline constexpr char kStandardStream[] = "-";

struct command_line_request {
  // Answers that replace the build.
  bool help = false;
  bool version = false;
  bool list_styles = false;
  bool print_settings = false;
  // Everything a build does but writing (--check).
  bool check = false;
  // --save-settings: write the effective settings there instead of
  // building. Empty: not asked for.
  std::string save_settings;
  // --settings: the settings file the options start from ("-" for standard
  // input). Empty: the defaults.
  std::string settings_file;
  // The SOURCE operand, absolute. Empty when none was given.
  std::string source;
  // -s as given: a catalogue style's name or file, or a template path
  // (resolve_style decides). Empty when not given.
  std::string style;
  // -1 with --quiet, 1 with --verbose, else 0 (the last one given wins).
  int verbosity = 0;
  // Settings keys and their values as text, to be applied in this order
  // over the loaded settings.
  std::vector<std::pair<std::string, std::string>> settings;
};

// Parses args (the arguments after the program's name). Paths given for
// SOURCE, -o and --settings are made absolute against cwd, so a saved
// settings file works from any folder; -o - stays "-", and so does -o with
// --per-folder, where only the file name counts. Repeated --include,
// --exclude, --include-folders or --exclude-folders add patterns. Values
// with a fixed set of words (--sort, --size-units), sizes and dates are
// checked here. False with *err the one-line reason (without the program's
// name) for an unknown option, a missing or wrong value, more than one
// SOURCE, or -o - with one listing per folder.
bool parse_command_line(const std::vector<std::string>& args,
                        const std::string& cwd, command_line_request* request,
                        std::string* err);

// Sets request.settings into *settings by key (format is left to the caller,
// who resolves -s). Also sets path and, by is_folder, source when a SOURCE
// was given. REQUIRES: every key of request.settings is a settings key.
void apply_command_line(const command_line_request& request, bool is_folder,
                        settings_record* settings);

// Reads a size as the options take it: a whole number of bytes, or one
// followed by K, M, G or T (powers of 1024; "KiB", "kb", "MB" are the same).
// False for anything else, or a value past int64_t.
bool parse_size(std::string_view text, int64_t* bytes);

// Reads a date as the options take it: "@SECONDS" (since 1970, UTC),
// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (also with "T"
// between), in local time, or in UTC when it ends in "Z". False otherwise.
bool parse_date(std::string_view text, int64_t* seconds);

// The position in the catalogue lists whose style is meant by name: its
// style_name (letter case aside), its style_file, or that file name without
// ".txt". -1 when none is.
int find_style(const std::vector<std::string>& style_names,
               const std::vector<std::string>& style_files,
               std::string_view name);

// True when head, the first bytes of a file, is the start of a settings file:
// markup, that is "<" after an optional byte-order mark and blanks, text
// with a UTF-16 byte-order mark, or nothing at all. An archive never starts
// that way.
bool looks_like_settings_file(std::string_view head);

#endif  // DIRGEN_APP_COMMAND_LINE_OPTIONS_H_
