// Builds the four tab panels of the main window: their group boxes with the
// exact captions, the controls that show the settings (main_window_controls)
// and the buttons and link labels that run commands (main_window_commands).
// Used by main_window only.
#ifndef DIRGEN_APP_MAIN_WINDOW_PAGES_H_
#define DIRGEN_APP_MAIN_WINDOW_PAGES_H_

#include <string>
#include <vector>

#include "app/settings_controls.h"

class QLabel;
class QPushButton;
class QTabWidget;

// The command controls on the panels. Not owned.
struct main_window_commands {
  QPushButton* path_select = nullptr;      // "Path select..."
  QPushButton* edit_template = nullptr;    // "Edit template"
  QLabel* template_description = nullptr;  // link "Template description"
  QPushButton* output_save_as = nullptr;   // "Save As..."
  QLabel* view_output = nullptr;           // link "View generated output file"
  QPushButton* see_example = nullptr;      // "See example:"
  QPushButton* put_local_path = nullptr;   // "Put local path"
};

// Adds the panels "Source and Output", "File Filter", "File Order and
// Recursion" and "Output Format Options" to tabs, in this order, with the
// controls in their first state (directory source, one file per subfolder,
// ascending, URL encoding, bytes, size boxes "0", "View generated output
// file" disabled) and the template list holding style_names.
void build_main_window_pages(QTabWidget* tabs,
                             const std::vector<std::string>& style_names,
                             main_window_controls* controls,
                             main_window_commands* commands);

// Enables or disables a link label; a disabled one shows its caption as
// plain (greyed) text instead of a link.
void set_link_enabled(QLabel* link, bool enabled);

#endif  // DIRGEN_APP_MAIN_WINDOW_PAGES_H_
