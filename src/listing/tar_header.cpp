#include "listing/tar_header.h"

#include <cstring>
#include <limits>

namespace {

// Header field offsets and widths.
constexpr int kNameOff = 0, kNameLen = 100;
constexpr int kSizeOff = 124, kSizeLen = 12;
constexpr int kTimeOff = 136, kTimeLen = 12;
constexpr int kSumOff = 148, kSumLen = 8;
constexpr int kTypeOff = 156;
constexpr int kMagicOff = 257;
constexpr int kPrefixOff = 345, kPrefixLen = 155;

std::string field_text(const char* p, int n) {
  const void* nul = memchr(p, 0, n);
  return std::string(p, nul ? static_cast<const char*>(nul) - p : n);
}

int64_t parse_base256(const unsigned char* p, int n) {
  bool negative = p[0] == 0xFF;
  uint64_t v = negative ? ~uint64_t{0} : 0;
  // The marker's low bits are part of a negative value only.
  if (negative) v = (v << 8) | p[0];
  for (int i = 1; i < n; ++i) {
    if (!negative && (v >> 55) != 0) return std::numeric_limits<int64_t>::max();
    v = (v << 8) | p[i];
  }
  return static_cast<int64_t>(v);
}

}  // namespace

int64_t parse_octal(const char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) {
    unsigned char b = static_cast<unsigned char>(p[i]);
    if (b == ' ') continue;
    if (b == 0) break;
    v = v * 8 + (b - uint64_t{'0'});
  }
  return static_cast<int64_t>(v);
}

int64_t parse_tar_number(const char* p, int n) {
  unsigned char first = static_cast<unsigned char>(p[0]);
  if (first == 0x80 || first == 0xFF) {
    return parse_base256(reinterpret_cast<const unsigned char*>(p), n);
  }
  return parse_octal(p, n);
}

int64_t header_sum(const char* block) {
  int64_t sum = 0;
  for (int i = 0; i < kTarBlockSize; ++i) {
    bool in_sum = i >= kSumOff && i < kSumOff + kSumLen;
    sum += in_sum ? ' ' : static_cast<unsigned char>(block[i]);
  }
  return sum;
}

bool read_tar_header(const char* block, tar_header* header) {
  if (block[0] == 0) return false;
  header->name = field_text(block + kNameOff, kNameLen);
  if (memcmp(block + kMagicOff, "ustar\0", 6) == 0 && block[kPrefixOff] != 0) {
    header->name =
        field_text(block + kPrefixOff, kPrefixLen) + "/" + header->name;
  }
  header->type = block[kTypeOff];
  header->size = parse_tar_number(block + kSizeOff, kSizeLen);
  header->time = parse_tar_number(block + kTimeOff, kTimeLen);
  header->checksum_ok =
      parse_octal(block + kSumOff, kSumLen) == header_sum(block);
  return true;
}
