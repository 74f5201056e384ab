#include "listing/archive_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

int64_t archive_stream::skip(int64_t n) {
  std::vector<char> scratch(static_cast<size_t>(std::min<int64_t>(n, 65536)));
  int64_t done = 0;
  while (done < n) {
    int64_t want = std::min<int64_t>(n - done, scratch.size());
    int64_t got = read(scratch.data(), want);
    if (got < 0) return -1;
    done += got;
    if (got < want) break;
  }
  return done;
}

std::unique_ptr<archive_file_stream> archive_file_stream::open(
    const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  return std::unique_ptr<archive_file_stream>(new archive_file_stream(f));
}

archive_file_stream::archive_file_stream(FILE* f) : file_(f) {
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode)) size_ = st.st_size;
}

archive_file_stream::~archive_file_stream() { fclose(file_); }

int64_t archive_file_stream::read(char* buf, int64_t n) {
  size_t got = fread(buf, 1, static_cast<size_t>(n), file_);
  if (got < static_cast<size_t>(n) && ferror(file_)) return -1;
  return static_cast<int64_t>(got);
}

int64_t archive_file_stream::skip(int64_t n) {
  if (size_ < 0) return archive_stream::skip(n);
  off_t pos = ftello(file_);
  if (pos < 0) return -1;
  int64_t k = std::max<int64_t>(0, std::min<int64_t>(n, size_ - pos));
  if (fseeko(file_, pos + k, SEEK_SET) != 0) return -1;
  return k;
}
