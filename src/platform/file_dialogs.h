// The file dialog (open or save) and the folder dialog, as thin wrappers over
// QFileDialog that keep the fields and rules of the program's dialogs; and
// centring a window on the screen. Used by the main window and the
// installer. Part of dirgen_platform_qt (the only Qt code in platform/).
#ifndef DIRGEN_PLATFORM_FILE_DIALOGS_H_
#define DIRGEN_PLATFORM_FILE_DIALOGS_H_

#include <cstdint>

#include "platform/dialog_rules.h"
#include "value/variant.h"

class QWidget;

class file_dialog {
 public:
  file_dialog();

  // Makes the save dialog ask before an existing file is overwritten.
  void ask_overwrite() { flags |= kDialogOverwritePrompt; }
  // Run the dialog modally. True when the user confirmed a choice: result is
  // the chosen path (with the default extension added to a name without
  // one; several names NUL-separated after their folder when multi-select
  // is set) and name_offset the index of the (first) file name in it. On
  // cancel: false, result the empty text, name_offset -1. Both first remove
  // a trailing "/" from initial_folder (kept in the field).
  bool show_save();
  bool show_open();

  variant result;
  int32_t name_offset = -1;
  variant filter;             // description/pattern pairs, see name_filters_of
  variant default_extension;  // e.g. "dgn"; empty: none
  variant initial_file_name;
  variant initial_folder;    // empty: the toolkit's choice
  variant title;             // empty: the toolkit's default
  QWidget* owner = nullptr;  // not owned
  uint32_t flags = kDialogExplorer;

 private:
  bool run(bool save);
};

class folder_dialog {
 public:
  folder_dialog();

  // Runs the folder dialog modally, starting at initial_folder (trailing "/"
  // removed, kept in the field). True when a folder was chosen; result is
  // then its path. On cancel: false and result unchanged.
  bool browse();

  variant result;
  variant initial_folder;
  variant title;  // line breaks are shown as " - " in the window title
  QWidget* owner = nullptr;  // not owned
  uint32_t flags = 0;
};

// Moves window to the middle of its screen (the primary screen when it has
// none yet); 0 on an axis where the window is larger than the screen.
void center_on_screen(QWidget* window);

#endif  // DIRGEN_PLATFORM_FILE_DIALOGS_H_
