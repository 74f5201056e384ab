// What the main window asks of the desktop besides message boxes: the file
// and folder dialogs, showing a window modally, and opening a document with
// its default application. Each of these blocks or leaves the process, so
// the window reaches them only through this interface and tests replace it.
#ifndef DIRGEN_APP_DESKTOP_SERVICES_H_
#define DIRGEN_APP_DESKTOP_SERVICES_H_

#include <functional>
#include <string>

#include "platform/file_dialogs.h"

class QDialog;
class QObject;

class desktop_services {
 public:
  // Told why a document could not be opened (UTF-8, one sentence).
  using open_failed = std::function<void(const std::string& reason)>;

  virtual ~desktop_services() = default;
  // Run the dialog (see file_dialogs.h); true when the user confirmed.
  virtual bool show_open(file_dialog* dialog);
  virtual bool show_save(file_dialog* dialog);
  virtual bool browse(folder_dialog* dialog);
  // Shows dialog modally and returns when it closes.
  virtual void show_modal(QDialog* dialog);
  // Opens the document at path with the desktop's default application
  // (xdg-open) and returns at once. When xdg-open cannot be started, or
  // ends with a failure (no application for the type, no desktop), failed
  // is called on the window thread, unless context has been destroyed.
  virtual void open_document(const std::string& path, QObject* context,
                             open_failed failed);
};

#endif  // DIRGEN_APP_DESKTOP_SERVICES_H_
