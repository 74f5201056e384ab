#include "fuzz_util.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

void fuzz_fail(const char* file, int line, const char* cond,
               std::string_view what) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n%.*s\n", file, line, cond,
               static_cast<int>(what.size()), what.data());
  std::abort();
}

std::vector<std::string_view> split_chunks(std::string_view text, uint32_t seed,
                                           size_t max_piece) {
  std::vector<std::string_view> pieces;
  uint32_t x = seed | 1;
  while (!text.empty()) {
    x ^= x << 13;  // xorshift32
    x ^= x >> 17;
    x ^= x << 5;
    size_t n = 1 + x % max_piece;
    if (n > text.size()) n = text.size();
    pieces.push_back(text.substr(0, n));
    text.remove_prefix(n);
  }
  return pieces;
}

std::string scratch_path(const std::string& suffix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp && *tmp ? tmp : "/tmp";
  return dir + "/dirgen-fuzz-" + std::to_string(getpid()) + suffix;
}

bool write_bytes(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}
