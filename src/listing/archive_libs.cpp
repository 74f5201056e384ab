#include "listing/archive_libs.h"

#include <zlib.h>

#include <atomic>
#include <cstring>
#include <string_view>

namespace {

std::atomic<bool> g_loaded{false};

std::string_view major_version(std::string_view v) {
  return v.substr(0, v.find('.'));
}

// Compresses and decompresses a short text: proves the library works, not
// only that it is present.
bool round_trip_works() {
  const char text[] = "dirgen dirgen dirgen dirgen";
  Bytef packed[128];
  uLongf packed_len = sizeof(packed);
  if (compress(packed, &packed_len, reinterpret_cast<const Bytef*>(text),
               sizeof(text)) != Z_OK) {
    return false;
  }
  Bytef unpacked[sizeof(text)];
  uLongf unpacked_len = sizeof(unpacked);
  return uncompress(unpacked, &unpacked_len, packed, packed_len) == Z_OK &&
         unpacked_len == sizeof(text) &&
         memcmp(unpacked, text, sizeof(text)) == 0;
}

}  // namespace

bool load_zlib_library() {
  // minizip is linked directly, so its entry points were resolved when the
  // program started; zlib is checked for a compatible version at run time.
  const char* version = zlibVersion();
  bool ok = version != nullptr &&
            major_version(version) == major_version(ZLIB_VERSION) &&
            round_trip_works();
  g_loaded = ok;
  return ok;
}

void unload_zlib_library() { g_loaded = false; }

bool zlib_library_loaded() { return g_loaded; }
