// Whether the windowed roles can open a window at all.
#include <cstdlib>

#include "app/windowed_mode.h"

namespace {

bool is_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool display_available() {
  return is_set("QT_QPA_PLATFORM") || is_set("DISPLAY") ||
         is_set("WAYLAND_DISPLAY");
}
