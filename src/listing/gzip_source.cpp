#include "listing/gzip_source.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr unsigned kGzipBufferSize = 128 * 1024;
constexpr int64_t kMaxReadChunk = 1 << 30;
}  // namespace

std::unique_ptr<gzip_stream> gzip_stream::open(const std::string& path) {
  gzFile f = gzopen(path.c_str(), "rb");
  if (!f) return nullptr;
  gzbuffer(f, kGzipBufferSize);
  return std::unique_ptr<gzip_stream>(new gzip_stream(f));
}

gzip_stream::~gzip_stream() { gzclose(file_); }

int64_t gzip_stream::read(char* buf, int64_t n) {
  int64_t done = 0;
  while (done < n) {
    unsigned want = static_cast<unsigned>(std::min(n - done, kMaxReadChunk));
    int got = gzread(file_, buf + done, want);
    if (got < 0) return -1;
    done += got;
    if (static_cast<unsigned>(got) < want) {
      // A short read is the end of the data only when zlib saw no error;
      // a truncated stream reports Z_BUF_ERROR here.
      int err = Z_OK;
      gzerror(file_, &err);
      if (err != Z_OK) return -1;
      break;
    }
  }
  return done;
}

bool gunzip_to_file(const std::string& source, const std::string& destination) {
  FILE* out = fopen(destination.c_str(), "wb");
  if (!out) return false;
  std::unique_ptr<gzip_stream> in = gzip_stream::open(source);
  bool ok = in != nullptr;
  std::vector<char> buf(16384);
  while (ok) {
    int64_t got = in->read(buf.data(), static_cast<int64_t>(buf.size()));
    if (got < 0) ok = false;
    if (got <= 0) break;
    ok = fwrite(buf.data(), 1, got, out) == static_cast<size_t>(got);
  }
  if (fclose(out) != 0) ok = false;
  return ok;
}
