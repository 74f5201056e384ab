// What the main window remembers from one run to the next: its size and
// position, the last folder of each file dialog and the Recent files list.
// Kept with QSettings in an INI file, by default the user's own
// $XDG_CONFIG_HOME/dirgen/dirgen.ini (~/.config/... when unset). Paths are
// kept as their bytes. Window thread only.
#ifndef DIRGEN_APP_WINDOW_MEMORY_H_
#define DIRGEN_APP_WINDOW_MEMORY_H_

#include <QByteArray>
#include <memory>
#include <string>
#include <vector>

class QSettings;

class window_memory {
 public:
  // file: the INI file to keep; empty for the user's own.
  explicit window_memory(const std::string& file = "");
  ~window_memory();
  window_memory(const window_memory&) = delete;
  window_memory& operator=(const window_memory&) = delete;

  // QWidget::saveGeometry() of the main window; empty when none is kept.
  QByteArray geometry() const;
  void set_geometry(const QByteArray& geometry);

  // The folder the dialog named dialog ("settings", "source", "archive",
  // "output") was last confirmed in; "" when none.
  std::string last_folder(const std::string& dialog) const;
  void set_last_folder(const std::string& dialog, const std::string& folder);

  // Settings files, most recently opened or saved first.
  std::vector<std::string> recent_files() const;
  void set_recent_files(const std::vector<std::string>& files);

 private:
  std::unique_ptr<QSettings> store_;
};

#endif  // DIRGEN_APP_WINDOW_MEMORY_H_
