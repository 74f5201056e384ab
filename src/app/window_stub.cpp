// Stand-in for the main window in a build without Qt.
#include <cstdio>

#include "app/windowed_mode.h"

int run_windowed_mode(int, char**) {
  std::fprintf(stderr,
               "kdgn20: this build has no main window; give a settings file "
               "(see kdgn20 --help).\n");
  return 1;
}
