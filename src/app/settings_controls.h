// The main window's controls that show one settings record, and the two
// directions between them and the record. main_window builds the controls
// (main_window_pages.h) and calls these before every build and save and after
// every New and Open; tests drive them directly.
#ifndef DIRGEN_APP_SETTINGS_CONTROLS_H_
#define DIRGEN_APP_SETTINGS_CONTROLS_H_

#include <QString>
#include <string>

#include "project/data_tables.h"
#include "project/settings_record.h"
#include "value/variant.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;

// Not owned: the widgets belong to their window.
struct main_window_controls {
  // Source and Output
  QRadioButton* directory_radio = nullptr;
  QRadioButton* archive_radio = nullptr;
  QLineEdit* source_edit = nullptr;
  QComboBox* template_list = nullptr;
  QLineEdit* output_edit = nullptr;
  // File Filter
  QLineEdit* file_include = nullptr;
  QLineEdit* file_skip = nullptr;
  QLineEdit* folder_include = nullptr;
  QLineEdit* folder_skip = nullptr;
  QCheckBox* time_filter = nullptr;
  QLabel* start_label = nullptr;
  QDateEdit* start_date = nullptr;
  QTimeEdit* start_time = nullptr;
  QLabel* end_label = nullptr;
  QDateEdit* end_date = nullptr;
  QTimeEdit* end_time = nullptr;
  QCheckBox* size_filter = nullptr;
  QLineEdit* size_start = nullptr;
  QLabel* size_start_unit = nullptr;
  QLabel* size_and = nullptr;
  QLineEdit* size_end = nullptr;
  QLabel* size_end_unit = nullptr;
  // File Order and Recursion
  QComboBox* order_by = nullptr;
  QRadioButton* ascending = nullptr;
  QRadioButton* descending = nullptr;
  QCheckBox* recursive = nullptr;
  QRadioButton* single_file = nullptr;
  QRadioButton* per_folder = nullptr;
  // Output Format Options
  QCheckBox* show_folders = nullptr;
  QCheckBox* show_summary = nullptr;
  QLineEdit* date_format = nullptr;
  QLabel* date_example = nullptr;
  QCheckBox* gmt_dates = nullptr;
  QComboBox* image_dir = nullptr;  // editable; kEmbeddedIcons first
  QRadioButton* url_encode = nullptr;
  QRadioButton* html_escape = nullptr;
  QRadioButton* bytes = nullptr;
  QRadioButton* kilobytes = nullptr;
  QRadioButton* megabytes = nullptr;
  QRadioButton* human_sizes = nullptr;         // size_units 3
  QRadioButton* human_binary_sizes = nullptr;  // size_units 4
};

// The image_dir box's choice for an empty image_dir: the listing carries
// the icons it shows inside itself.
inline constexpr char kEmbeddedIcons[] = "embedded";

// Copies every control into its field of *settings: radios and check boxes
// as flags, edit boxes as their text, "Order by:" as its position, the size
// unit as the position of its radio (Bytes 0 to human binary 4), the image_dir box as its text (kEmbeddedIcons as
// the empty text), the template as the style_file of the chosen style
// (empty text when none is chosen), the time pickers (local time) as UTC
// seconds, the size boxes (Kb) as their decimal reading times 1024 bytes.
void controls_to_settings(const main_window_controls& c,
                          const data_tables& formatter,
                          settings_record* settings);

// Shows settings in the controls (the reverse of controls_to_settings) and
// clears the date example. A size_units other than 0 to 4 leaves the
// unit radios as they were; a format that names no style leaves the template
// list with nothing chosen; sizes show as whole Kb (remainder dropped). The
// controls that depend on a check box are enabled to match it.
void settings_to_controls(const settings_record& settings,
                          const data_tables& formatter,
                          main_window_controls* c);

// Enables the controls that follow the recursion, time filter and size
// filter check boxes; and keeps them following on every later change.
void apply_dependent_states(const main_window_controls& c);
void connect_dependent_controls(const main_window_controls& c);

// Conversions between field bytes and widget text (UTF-8).
QString to_qt(std::string_view bytes);
QString to_qt(const variant& value);
std::string from_qt(const QString& text);

#endif  // DIRGEN_APP_SETTINGS_CONTROLS_H_
