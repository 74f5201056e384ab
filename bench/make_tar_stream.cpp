// Writes a plain ustar stream of COUNT entries to PATH (or standard output
// for "-") for the ten-million-entry benchmark: folders of 1000 files
// (d00000/file_0000000.txt, ...), each folder with an entry of its own.
// Files are empty, so the stream is headers only (512 bytes per entry) and
// the time measured is the listing's, not the reading of data; sizes would
// cost a data block each.
// Usage: make_tar_stream PATH COUNT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kPerFolder = 1000;

// A ustar header for name, checksummed.
void header(char* block, const char* name, bool folder, long mtime) {
  std::memset(block, 0, 512);
  std::snprintf(block, 100, "%s", name);
  std::snprintf(block + 100, 8, "%07o", folder ? 0755 : 0644);
  std::snprintf(block + 108, 8, "%07o", 1000);
  std::snprintf(block + 116, 8, "%07o", 1000);
  std::snprintf(block + 124, 12, "%011o", 0);
  char field[24];
  std::snprintf(field, sizeof field, "%011lo", mtime & 077777777777L);
  std::memcpy(block + 136, field, 11);
  block[156] = folder ? '5' : '0';
  std::memcpy(block + 257, "ustar", 6);
  std::memcpy(block + 263, "00", 2);
  std::memset(block + 148, ' ', 8);
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += static_cast<unsigned char>(block[i]);
  std::snprintf(block + 148, 8, "%06o", sum);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_tar_stream PATH COUNT\n");
    return 2;
  }
  FILE* out = std::strcmp(argv[1], "-") == 0 ? stdout : std::fopen(argv[1], "wb");
  if (!out) return 1;
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
  const long count = std::atol(argv[2]);
  char block[512];
  char name[100];
  for (long i = 0; i < count; ++i) {
    const long folder = i / kPerFolder;
    if (i % kPerFolder == 0) {
      std::snprintf(name, sizeof name, "d%05ld/", folder);
      header(block, name, true, 1600000000 + folder);
      std::fwrite(block, 1, 512, out);
    }
    std::snprintf(name, sizeof name, "d%05ld/file_%07ld.txt", folder, i);
    header(block, name, false, 1600000000 + i);
    std::fwrite(block, 1, 512, out);
  }
  std::memset(block, 0, 512);
  std::fwrite(block, 1, 512, out);
  std::fwrite(block, 1, 512, out);
  return std::fclose(out) == 0 ? 0 : 1;
}
