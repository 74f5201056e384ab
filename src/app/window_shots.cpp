// window_shots: saves a picture of each tab of the main window, for the
// documentation (scripts/screenshot-window.sh). Not part of kdgn20.
// Usage: window_shots WORKING-FOLDER OUTPUT-FOLDER
#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/form1_rules.h"
#include "app/tform1.h"

namespace {

const char* const kShotNames[] = {"source-and-output", "file-filter",
                                  "file-order-and-recursion",
                                  "output-format-options"};

// Grabs every tab in turn into output/<name>.png. Returns the failures.
int save_tabs(TForm1* form, const std::string& output) {
  int failures = 0;
  for (int i = 0; i < 4; ++i) {
    form->select_tab(i);
    QApplication::processEvents();
    std::string path = output + "/" + kShotNames[i] + ".png";
    if (!form->grab().save(QString::fromStdString(path), "PNG")) {
      std::fprintf(stderr, "window_shots: can't write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_shots WORKING-FOLDER OUTPUT-FOLDER\n");
    return 2;
  }
  std::string working = argv[1];
  if (working.empty() || working.back() != '/') working += '/';
  QApplication app(argc, argv);
  QApplication::setApplicationName(kDirgenCaption);
  TForm1 form(working);
  form.show();
  int failures = 0;
  QTimer::singleShot(300, [&] {
    failures = save_tabs(&form, argv[2]);
    app.quit();
  });
  app.exec();
  return failures == 0 ? 0 : 1;
}
