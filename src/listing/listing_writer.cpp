#include "listing/listing_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

bool fail(std::string* err, int error) {
  *err = std::strerror(error);
  return false;
}

}  // namespace

listing_writer::~listing_writer() {
  if (old_fd_ >= 0) close(old_fd_);
}

bool listing_writer::prepare(int dir_fd, const std::string& folder_path,
                             const std::string& name,
                             const replace_options& options,
                             std::string* err) {
  if (!out_.prepare(dir_fd, folder_path, name, options, err)) return false;
  if (!out_.target_exists()) return true;  // nothing to compare with
  old_fd_ = out_.open_old();
  // A file that may be written but not read is simply replaced.
  if (old_fd_ < 0 && errno == EACCES) return true;
  if (old_fd_ < 0) return fail(err, errno);
  old_block_.reset(new char[kCompareBlock]);
  return true;
}

// Reads the next block of the old file; old_at_end_ once it has no more.
bool listing_writer::refill(std::string* err) {
  old_used_ = 0;
  old_filled_ = 0;
  for (;;) {
    ssize_t n = read(old_fd_, old_block_.get(), kCompareBlock);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(err, errno);
    old_filled_ = static_cast<size_t>(n);
    old_at_end_ = n == 0;
    return true;
  }
}

// Creates the temporary file holding the equal_ bytes read so far from the
// old file; later bytes go straight to it.
bool listing_writer::diverge(std::string* err) {
  if (!out_.start(err)) return false;
  started_ = true;
  char buffer[64 * 1024];
  for (int64_t copied = 0; copied < equal_;) {
    const size_t want = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(sizeof buffer), equal_ - copied));
    ssize_t n = pread(old_fd_, buffer, want, copied);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(err, n < 0 ? errno : EIO);
    if (!out_.write(std::string_view(buffer, static_cast<size_t>(n)), err)) {
      return false;
    }
    copied += n;
  }
  close(old_fd_);
  old_fd_ = -1;
  old_block_.reset();
  return true;
}

// Consumes bytes while they equal the old file's; at the first difference
// the rest of bytes goes to the temporary file.
bool listing_writer::compare(std::string_view bytes, std::string* err) {
  while (!bytes.empty()) {
    if (old_used_ == old_filled_ && !old_at_end_ && !refill(err)) return false;
    if (old_at_end_) break;  // the new listing is longer
    const size_t n = std::min(bytes.size(), old_filled_ - old_used_);
    const char* old = old_block_.get() + old_used_;
    const size_t same = static_cast<size_t>(
        std::mismatch(bytes.begin(), bytes.begin() + n, old).first -
        bytes.begin());
    equal_ += static_cast<int64_t>(same);
    old_used_ += same;
    bytes.remove_prefix(same);
    if (same < n) break;  // a byte differs
  }
  if (bytes.empty()) return true;
  return diverge(err) && out_.write(bytes, err);
}

bool listing_writer::write(std::string_view bytes, std::string* err) {
  hash_.update(bytes);
  if (started_) return out_.write(bytes, err);
  if (old_fd_ < 0) return diverge(err) && out_.write(bytes, err);
  return compare(bytes, err);
}

bool listing_writer::finish(std::string* err) {
  checksum_ = hash_.final_hex();
  if (!started_) {
    bool same = false;
    if (old_fd_ >= 0) {
      // Equal so far: the same listing unless the old file goes on.
      if (old_used_ == old_filled_ && !old_at_end_ && !refill(err)) {
        return false;
      }
      same = old_used_ == old_filled_ && old_at_end_;
    }
    if (same) {
      close(old_fd_);
      old_fd_ = -1;
      old_block_.reset();
      out_.discard();
      return true;
    }
    if (!diverge(err)) return false;
  }
  return out_.finish(err);
}

bool listing_writer::commit(std::string* err) {
  return !started_ || out_.commit(err);
}
