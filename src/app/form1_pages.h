// Builds the four tab panels of the main window: their group boxes with the
// exact captions, the controls that show the settings (form1_controls) and
// the buttons and link labels that run commands (form1_commands). Used by
// TForm1 only.
#ifndef DIRGEN_APP_FORM1_PAGES_H_
#define DIRGEN_APP_FORM1_PAGES_H_

#include <string>
#include <vector>

#include "app/settings_controls.h"

class QLabel;
class QPushButton;
class QTabWidget;

// The command controls on the panels. Not owned.
struct form1_commands {
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
void build_form1_pages(QTabWidget* tabs,
                       const std::vector<std::string>& style_names,
                       form1_controls* controls, form1_commands* commands);

// Enables or disables a link label; a disabled one shows its caption as
// plain (greyed) text instead of a link.
void set_link_enabled(QLabel* link, bool enabled);

#endif  // DIRGEN_APP_FORM1_PAGES_H_
