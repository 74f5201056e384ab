// tar_header: decoding of one 512-byte tar header block and of its numeric
// fields. Used by tar_reader.
#ifndef DIRGEN_LISTING_TAR_HEADER_H_
#define DIRGEN_LISTING_TAR_HEADER_H_

#include <cstdint>
#include <string>

constexpr int kTarBlockSize = 512;

// Octal text over at most n bytes of p: a space is skipped, a NUL ends the
// field, and any other byte b gives value * 8 + (b - '0'); nothing else is
// validated. Arithmetic wraps (unsigned) instead of overflowing.
// Example: "     17 " gives 15; "0000644\0" gives 420.
int64_t parse_octal(const char* p, int n);

// A numeric field of n bytes: GNU base-256 when the first byte is 0x80
// (positive, big-endian in the remaining bytes) or 0xFF (negative, two's
// complement over all bytes); otherwise parse_octal. A base-256 value too
// large for 63 bits gives INT64_MAX.
int64_t parse_tar_number(const char* p, int n);

// The header checksum of block: the sum of its 512 bytes as unsigned
// values, with the 8 checksum bytes (offsets 148..155) counted as spaces.
// block itself is not changed.
int64_t header_sum(const char* block);

// The fields of one header that the listing uses.
struct tar_header {
  std::string name;  // prefix "/" name for ustar; otherwise the name
  char type = '0';   // the type flag byte
  int64_t size = 0;  // data bytes that follow the header
  int64_t time = 0;  // modification time, seconds since 1970 UTC
  bool checksum_ok = false;
};

// Decodes a 512-byte block. Returns false when it is the end-of-archive
// block (first byte NUL); otherwise fills *header and returns true. Names
// stop at their first NUL; the POSIX ustar prefix (offset 345, 155 bytes)
// is joined to the name with "/" when the magic is "ustar\0".
bool read_tar_header(const char* block, tar_header* header);

#endif  // DIRGEN_LISTING_TAR_HEADER_H_
