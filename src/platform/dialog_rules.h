// The rules of the file and folder dialogs and of window placement that do
// not need the windowing toolkit: filter pairs as name filters, the default
// extension, the initial-folder adjustment, the result and its name offset,
// and centring. The Qt dialog wrappers (file_dialogs.h) apply them.
#ifndef DIRGEN_PLATFORM_DIALOG_RULES_H_
#define DIRGEN_PLATFORM_DIALOG_RULES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Option bits of the file dialog's flags field.
constexpr uint32_t kDialogOverwritePrompt = 0x2;
constexpr uint32_t kDialogAllowMultiSelect = 0x200;
constexpr uint32_t kDialogFileMustExist = 0x1000;
constexpr uint32_t kDialogExplorer = 0x80000;

// Removes one trailing "/" from folder, except from the root "/" itself.
void adjust_initial_folder(std::string* folder);

// Filter text of NUL-terminated description/pattern pairs ended by an empty
// description, e.g. "Settings\0*.dgn\0All files\0*.*\0\0", as name filters:
// "Settings (*.dgn)", "All files (*)". Patterns in one pair are separated
// by ";" (blanks around them dropped); "*.*" means every name and becomes
// "*". A description that already ends in its patterns, "Text Files
// (*.txt)", keeps only its name before them. A description without its
// pattern ends the list. Empty text gives no filters.
std::vector<std::string> name_filters_of(std::string_view filter);

// path with "." + extension appended when the file name part (after the
// last "/") holds no "."; extension may be given with or without its dot.
// An empty extension or a name that has one leaves path unchanged.
std::string with_default_extension(std::string_view path,
                                   std::string_view extension);

// Index of the file name inside path: one past the last "/", 0 without one.
int32_t file_name_offset(std::string_view path);

// The result of a multi-select run. One path: that path, with its name
// offset. Several paths (all in one folder): the folder, then each file name,
// separated by NULs, with the offset of the first name. No path: empty text
// and -1.
std::string multi_select_result(const std::vector<std::string>& paths,
                                int32_t* name_offset);

// A dialog title as a one-line window title: each line break (CR LF, CR or
// LF) becomes " - ".
std::string one_line_title(std::string_view title);

// Top-left corner that centres a window on a screen: (screen - window) / 2
// on each axis, or 0 where the window is larger than the screen.
struct window_origin {
  int left;
  int top;
};
window_origin centered_origin(int screen_width, int screen_height,
                              int window_width, int window_height);

#endif  // DIRGEN_PLATFORM_DIALOG_RULES_H_
