// The parts of the main window's commands that need no window: the source
// and output checks of "Make Listing !", the moving progress bar's geometry,
// the date example, the caption, and where a build put its listing. TForm1
// applies them; tests check them directly.
#ifndef DIRGEN_APP_FORM1_RULES_H_
#define DIRGEN_APP_FORM1_RULES_H_

#include <cstdint>
#include <string>

#include "project/dirgen_project.h"

// The product name every window and message box carries.
extern const char kDirgenCaption[];  // "Dirgen 2.0"

// The message that stops a build before it starts, or "" when the settings
// pass. The source check comes first: an existing folder with the archive
// radio chosen gives "Source must be an archive file.", an existing file with
// "Directory listing" gives "Source must be a directory.", a missing source
// "Source directory doesn't exist." or "Source file doesn't exist.". An
// empty output path then replaces any of these with "Output file must be
// specified". A trailing "/" of the source path is ignored ("/" stays "/").
std::string listing_check_message(const dirgen_project& settings);

// The bar inside the progress strip at a tick: a = tick mod 200; up to 100
// it grows from the left (left 0, width a * W / 100); after that it shrinks
// towards the right (left (a - 100) * W / 100, width W - left).
struct bar_span {
  int left;
  int width;
};
bar_span progress_bar_span(int64_t tick, int strip_width);

// format applied with strftime to the local wall-clock time of utc_seconds.
// The result may use up to format's length + 15 bytes per "%" + 128 bytes;
// a longer (or empty) result gives "".
std::string date_example(const std::string& format, int64_t utc_seconds);

// The window caption: "New project - Dirgen 2.0" for an empty settings path,
// else the path from name_offset on (its file name as the file dialog
// reported it; 0 or out of range: after the last "/"), " - Dirgen 2.0".
std::string window_caption(const std::string& settings_path,
                           int32_t name_offset);

// The file a build with these settings wrote its (top-level) listing to: in
// per-folder mode only the name of `save` counts; a bare name goes into the
// source folder (an archive's own folder for an archive source); any other
// relative path resolves against a folder source. Absolute paths stay.
std::string generated_output_path(const dirgen_project& settings);

// The text of path up to (not including) its last "/", or the whole text
// when it has none. The dialogs start in the folder this gives.
std::string folder_part(const std::string& path);

// True when path names an existing file (not a folder).
bool is_existing_file(const std::string& path);

#endif  // DIRGEN_APP_FORM1_RULES_H_
