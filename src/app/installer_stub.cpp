// Stand-in for the installer wizard in a build without it.
#include <cstdio>

#include "app/windowed_mode.h"

int run_installer(int, char**) {
  std::fprintf(stderr, "setup: this build has no installer.\n");
  return 1;
}
