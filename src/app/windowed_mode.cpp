// The windowed mode: the application object, the main window, the
// description window and the about box, and the event loop.
#include "app/windowed_mode.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/about_box.h"
#include "app/description_window.h"
#include "app/main_window.h"
#include "app/main_window_rules.h"
#include "app/program_identity.h"
#include "project/data_folder.h"

std::vector<char*> qt_arguments(int argc, char** argv) {
  static char name[] = "dirgen";
  std::vector<char*> args(argv, argv + argc);
  if (args.empty()) args.push_back(nullptr);
  args[0] = name;
  args.push_back(nullptr);
  return args;
}

// On X11 the toolkit names a window's class after the application name at
// the moment the first window is made, and its instance after argv[0]; both
// are fixed from then on.
void set_application_identity(QWidget* first_window) {
  QGuiApplication::setDesktopFileName("dirgen");
  QApplication::setApplicationName("Dirgen");
  first_window->winId();
  QApplication::setApplicationName("dirgen");
}

QIcon program_icon(const std::string& working_folder) {
  QIcon shipped(QString::fromStdString(working_folder + "images/dirgen.svg"));
  return QIcon::fromTheme("dirgen", shipped);
}

int run_windowed_mode(int argc, char** argv) {
  if (!display_available()) {
    std::fprintf(stderr,
                 "kdgn20: no display to open the main window on (neither "
                 "DISPLAY nor WAYLAND_DISPLAY is set); give a settings file "
                 "to build from the command line (see kdgn20 --help).\n");
    return 1;
  }
  std::vector<char*> args = qt_arguments(argc, argv);
  int qt_argc = static_cast<int>(args.size()) - 1;
  QApplication app(qt_argc, args.data());
  std::string working = working_folder_at_start();
  QApplication::setWindowIcon(program_icon(working));
  main_window window(working);
  set_application_identity(&window);
  description_window description;
  about_box about(program_icon(working));
  window.set_windows(&description, &about);
  window.show();
  return app.exec() == 0 ? 0 : 1;
}
