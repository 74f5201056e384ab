// The windowed mode: the application object, the main window, the
// description window and the about box, and the event loop.
#include "app/windowed_mode.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/form1_rules.h"
#include "app/tabout_box.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "project/data_folder.h"

int run_windowed_mode(int argc, char** argv) {
  if (!display_available()) {
    std::fprintf(stderr,
                 "kdgn20: no display to open the main window on (neither "
                 "DISPLAY nor WAYLAND_DISPLAY is set); give a settings file "
                 "to build from the command line (see kdgn20 --help).\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(kDirgenCaption);
  std::string working = working_folder_at_start();
  TForm1 form1(working);
  TForm2 form2;
  TAboutBox about(working + "images/dirgen.gif");
  form1.set_windows(&form2, &about);
  form1.show();
  return app.exec() == 0 ? 0 : 1;
}
