#include "app/desktop_services.h"

#include <QDialog>

#include "platform/shell_open.h"

bool desktop_services::show_open(win_open_save_dialog* dialog) {
  return dialog->show_open();
}

bool desktop_services::show_save(win_open_save_dialog* dialog) {
  return dialog->show_save();
}

bool desktop_services::browse(win_dir_open_dialog* dialog) {
  return dialog->browse();
}

void desktop_services::show_modal(QDialog* dialog) { dialog->exec(); }

bool desktop_services::open_document(const std::string& path) {
  std::string err;  // the window shows no reason, only that nothing opened
  return ::open_document(kvval("open"), kvval(std::string_view(path)), &err);
}
