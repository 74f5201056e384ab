// The parts of the main window's commands that need no window: the source
// and output checks of "Make Listing !", the moving progress bar's geometry,
// the date example, the caption, and where a build put its listing. main_window
// applies them; tests check them directly.
#ifndef DIRGEN_APP_MAIN_WINDOW_RULES_H_
#define DIRGEN_APP_MAIN_WINDOW_RULES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "listing/build.h"
#include "project/settings_record.h"

// The product name every window and message box carries.
extern const char kDirgenCaption[];  // "Dirgen 2.0"
extern const char kDirgenVersion[];  // "2.0", shown in the about box

// The message that stops a build before it starts, or "" when the settings
// pass. The source check comes first: an existing folder with the archive
// radio chosen gives "Source must be an archive file.", an existing file with
// "Directory listing" gives "Source must be a directory.", a missing source
// "Source directory doesn't exist." or "Source file doesn't exist.". An
// empty output path then replaces any of these with "Output file must be
// specified". A trailing "/" of the source path is ignored ("/" stays "/").
std::string listing_check_message(const settings_record& settings);

// The bar inside the progress strip at a tick: a = tick mod 200; up to 100
// it grows from the left (left 0, width a * W / 100); after that it shrinks
// towards the right (left (a - 100) * W / 100, width W - left).
struct bar_span {
  int left;
  int width;
};
bar_span progress_bar_span(int64_t tick, int strip_width);

// The window caption: "New project - Dirgen 2.0" for an empty settings path,
// else the path from name_offset on (its file name as the file dialog
// reported it; 0 or out of range: after the last "/"), " - Dirgen 2.0".
std::string window_caption(const std::string& settings_path,
                           int32_t name_offset);

// The text of path up to (not including) its last "/", or the whole text
// when it has none. The dialogs start in the folder this gives.
std::string folder_part(const std::string& path);

// True when path names an existing file (not a folder).
bool is_existing_file(const std::string& path);

// The images folder of a working folder (ending in "/") as a file:// URL:
// every byte of the path but letters, digits, "-._~" and "/" is written as
// %XX, so blanks, quotes and non-ASCII names stay valid in any page.
std::string local_images_url(const std::string& working_folder);

// Reads the settings file at path into *settings. A file that cannot be
// read, holds none of the settings keys, does not parse, names an unknown
// key or gives a key a value it does not take is refused (the words of
// settings_record::load_settings): false, *settings unchanged and *err
// naming the file and the reason.
bool read_settings_file(const std::string& path, settings_record* settings,
                        std::string* err);

// Writes settings to path. False with *err naming the file and the reason
// when it could not be written (an existing file is then left intact).
bool write_settings_file(const settings_record& settings,
                         const std::string& path, std::string* err);

// The text of a size box read as a whole number of Kb, which must fit the
// record in bytes. False with *why saying what is wrong otherwise ("abc",
// "1.5", "-3" and "" are refused, not read as 0 or 1).
bool read_size_box(const std::string& text, int64_t* kb, std::string* why);

// What a file or folder dropped on the window becomes.
enum class drop_role {
  nothing,         // missing: the drop is refused
  source_folder,   // the source, "Directory listing"
  source_archive,  // the source, "Archive file listing"
  settings_file,   // opened as settings
};
// A folder is a source folder; a file holding a settings key a settings
// file; any other file an archive (the build names an unknown type).
drop_role role_of_dropped(const std::string& path);

// The Recent files list after path was opened or saved: path first, an
// earlier mention of it dropped, at most kRecentFilesShown entries.
constexpr size_t kRecentFilesShown = 8;
std::vector<std::string> with_recent(std::vector<std::string> recent,
                                     const std::string& path);

// Whether two records hold the same text in every field.
bool same_settings(settings_record a, settings_record b);

// The counts beside the progress bar: "12,345 entries, 3.4 MB written".
std::string progress_text(int64_t entries, int64_t bytes);

// A build refused because it would replace files Dirgen did not write asks
// whether to replace them: Replace runs it again allowing that (for this
// build only; the settings keep their replace_existing), Cancel leaves
// everything as it is.
bool asks_to_replace(const build_outcome& outcome);
// The question: the files, one a line (at most kReplaceQuestionNamed, then
// how many more), and what Replace does.
constexpr size_t kReplaceQuestionNamed = 10;
std::string replace_question(const build_outcome& outcome);
// settings with replace_existing set.
settings_record with_replacing_allowed(settings_record settings);

#endif  // DIRGEN_APP_MAIN_WINDOW_RULES_H_
