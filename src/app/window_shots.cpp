// window_shots: saves pictures of the main window, for the documentation
// (scripts/screenshot-window.sh): each tab, with a source and an output
// filled in, then the window while a listing of a large folder is made.
// Takes the window's frame too when a window manager draws one. Not part of
// kdgn20. Usage: window_shots WORKING-FOLDER OUTPUT-FOLDER [BIG-FOLDER]
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "app/main_window_rules.h"
#include "app/program_identity.h"

namespace {

const char* const kShotNames[] = {"source-and-output", "file-filter",
                                  "file-order-and-recursion",
                                  "output-format-options"};

// The window as the screen shows it, frame included.
bool save_window(main_window* form, const std::string& path) {
  QApplication::processEvents();
  QRect frame = form->frameGeometry();
  QPixmap picture = form->screen()->grabWindow(0, frame.x(), frame.y(),
                                               frame.width(), frame.height());
  if (picture.isNull()) picture = form->grab();
  if (picture.save(QString::fromStdString(path), "PNG")) return true;
  std::fprintf(stderr, "window_shots: can't write %s\n", path.c_str());
  return false;
}

// Grabs every tab in turn into output/<name>.png. Returns the failures.
int save_tabs(main_window* form, const std::string& output) {
  int failures = 0;
  for (int i = 0; i < 4; ++i) {
    form->select_tab(i);
    if (!save_window(form, output + "/" + kShotNames[i] + ".png")) ++failures;
  }
  return failures;
}

// The pictures need no answers: messages are dropped, questions get their
// default.
class quiet_sink : public message_sink {
 public:
  void show(QWidget*, const std::string&, message_icon) override {}
  size_t ask(QWidget*, const std::string&, message_icon,
             const std::vector<std::string>&, size_t default_button) override {
    return default_button;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr,
                 "usage: window_shots WORKING-FOLDER OUTPUT-FOLDER "
                 "[BIG-FOLDER]\n");
    return 2;
  }
  std::string working = argv[1];
  if (working.empty() || working.back() != '/') working += '/';
  std::string output = argv[2];
  std::string big = argc == 4 ? argv[3] : "/usr";
  std::vector<char*> args = qt_arguments(argc, argv);
  int qt_argc = static_cast<int>(args.size()) - 1;
  QApplication app(qt_argc, args.data());
  QApplication::setWindowIcon(program_icon(working));
  QTemporaryDir memory;  // remembers nothing of the user's own runs
  main_window form(working, memory.filePath("dirgen.ini").toStdString());
  set_application_identity(&form);
  quiet_sink quiet;
  form.set_message_sink(&quiet);
  form.controls().source_edit->setText(
      QString::fromStdString(working + "examples"));
  form.controls().output_edit->setText("index.html");
  form.show();
  int failures = 0;
  QTimer::singleShot(500, [&] {
    failures = save_tabs(&form, output);
    form.select_tab(0);
    form.controls().source_edit->setText(QString::fromStdString(big));
    form.controls().output_edit->setText(memory.filePath("listing.html"));
    form.controls().recursive->setChecked(true);
    form.controls().single_file->setChecked(true);
    form.make_listing();
    QTimer::singleShot(1500, [&] {
      if (!save_window(&form, output + "/making-listing.png")) ++failures;
      // exit(), not quit(): quitting would close the window, which asks
      // about the settings typed in above.
      QObject::connect(&form, &main_window::build_finished, &app,
                       [] { QApplication::exit(0); });
      form.cancel_build();
    });
  });
  app.exec();
  return failures == 0 ? 0 : 1;
}
