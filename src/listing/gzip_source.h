// gzip_source: gzip decompression through zlib. gzip_stream feeds the tar
// reader directly (no temporary file); gunzip_to_file writes a whole stream
// out for callers that need the decompressed file. Used by archive_reader.
#ifndef DIRGEN_LISTING_GZIP_SOURCE_H_
#define DIRGEN_LISTING_GZIP_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "listing/archive_stream.h"

struct gzFile_s;  // zlib's stream state (gzFile)

// The decompressed bytes of a gzip file, opened for reading only. A file
// that is not gzip data is read as it is (zlib's transparent mode).
class gzip_stream : public archive_stream {
 public:
  // Opens path. Returns null when it cannot be opened.
  static std::unique_ptr<gzip_stream> open(const std::string& path);
  ~gzip_stream() override;

  // Returns -1 for corrupt or truncated compressed data, so damage is
  // never mistaken for the end of the data.
  int64_t read(char* buf, int64_t n) override;

 private:
  explicit gzip_stream(gzFile_s* f) : file_(f) {}
  gzFile_s* file_;  // owned; closed by the destructor
};

// Decompresses the gzip file source into destination (created or
// emptied). Returns true when the whole stream was decompressed and
// written; false when either file cannot be opened, the compressed data is
// corrupt or truncated, or a write falls short.
bool gunzip_to_file(const std::string& source, const std::string& destination);

#endif  // DIRGEN_LISTING_GZIP_SOURCE_H_
