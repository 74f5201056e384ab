// archive_stream: a sequential byte source that the archive readers parse.
// The tar reader reads a plain file and a gzip stream through this one
// interface, so both share one parser and a gzip source needs no temporary
// file. Used by tar_reader, gzip_source and archive_reader.
#ifndef DIRGEN_LISTING_ARCHIVE_STREAM_H_
#define DIRGEN_LISTING_ARCHIVE_STREAM_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class archive_stream {
 public:
  virtual ~archive_stream() = default;

  // Reads up to n bytes into buf. Returns the number read, which is below n
  // only at the end of the data, or -1 on a read or decompression error.
  virtual int64_t read(char* buf, int64_t n) = 0;

  // Skips up to n bytes. Returns the number skipped, which is below n only
  // at the end of the data, or -1 on an error. The default reads and
  // discards; sources that can seek override it.
  virtual int64_t skip(int64_t n);
};

// A plain file opened for reading; skipping seeks instead of reading.
class archive_file_stream : public archive_stream {
 public:
  // Opens path for reading. Returns null when it cannot be opened.
  static std::unique_ptr<archive_file_stream> open(const std::string& path);
  ~archive_file_stream() override;

  int64_t read(char* buf, int64_t n) override;
  int64_t skip(int64_t n) override;

 private:
  explicit archive_file_stream(FILE* f);
  FILE* file_;
  int64_t size_ = -1;  // file size when it is a regular file, else -1
};

#endif  // DIRGEN_LISTING_ARCHIVE_STREAM_H_
