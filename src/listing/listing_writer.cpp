#include "listing/listing_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
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
                             const replace_options& options, bool checksum_old,
                             std::string* err) {
  if (!out_.prepare(dir_fd, folder_path, name, options, err)) return false;
  if (!out_.target_exists()) return true;  // nothing to compare with
  old_fd_ = out_.open_old();
  // A file that may be written but not read is simply replaced (and has no
  // checksum to prove anything with).
  if (old_fd_ < 0 && errno == EACCES) return true;
  if (old_fd_ < 0) return fail(err, errno);
  if (checksum_old && !this->checksum_old()) {
    stop_comparing();  // no checksum, and nothing to compare with
    return true;
  }
  if (!old_block_) old_block_.reset(new char[kCompareBlock]);
  return true;
}

// Reads the old file for old_checksum_: whole into old_block_ when it is
// at most kHeldOld bytes, to be compared from there; else through to its
// end, to be read again from the start for the comparison. False on a
// read error.
bool listing_writer::checksum_old() {
  struct stat st;
  if (fstat(old_fd_, &st) != 0) return false;
  sha256_stream sum;
  const size_t size = static_cast<size_t>(st.st_size);
  if (size <= kHeldOld) {
    // One byte more than the file: the end shows in the same pass.
    const size_t capacity = std::max(size + 1, kCompareBlock);
    old_block_.reset(new char[capacity]);
    if (!read_old(capacity, &sum)) return false;
    if (old_at_end_) {
      old_checksum_ = sum.final_hex();
      return true;
    }
  }
  // Too large to hold (or it grew meanwhile): checksummed block by block.
  old_block_.reset(new char[kCompareBlock]);
  do {
    if (!read_old(kCompareBlock, &sum)) return false;
  } while (!old_at_end_);
  if (lseek(old_fd_, 0, SEEK_SET) != 0) return false;
  old_checksum_ = sum.final_hex();
  old_filled_ = 0;
  old_at_end_ = false;
  return true;
}

// Fills old_block_ (of capacity bytes) from the old file, up to its end
// (old_at_end_) or until full, adding what it reads to *sum. False on a
// read error.
bool listing_writer::read_old(size_t capacity, sha256_stream* sum) {
  old_filled_ = 0;
  old_at_end_ = false;
  while (old_filled_ < capacity) {
    ssize_t n = read(old_fd_, old_block_.get() + old_filled_,
                     capacity - old_filled_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      old_at_end_ = true;
      break;
    }
    sum->update(std::string_view(old_block_.get() + old_filled_,
                                 static_cast<size_t>(n)));
    old_filled_ += static_cast<size_t>(n);
  }
  return true;
}

// The old file is not compared any further.
void listing_writer::stop_comparing() {
  close(old_fd_);
  old_fd_ = -1;
  old_block_.reset();
  old_used_ = 0;
  old_filled_ = 0;
}

// Reads the next block of the old file; old_at_end_ once it has no more.
bool listing_writer::refill(std::string* err) {
  old_offset_ += static_cast<int64_t>(old_filled_);
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

// Creates the temporary file holding the bytes found equal so far: those
// of earlier blocks read again from the old file, those of old_block_ from
// memory. Later bytes go straight to it.
bool listing_writer::diverge(std::string* err) {
  if (!out_.start(err)) return false;
  started_ = true;
  char buffer[64 * 1024];
  for (int64_t copied = 0; copied < old_offset_;) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(
        static_cast<int64_t>(sizeof buffer), old_offset_ - copied));
    ssize_t n = pread(old_fd_, buffer, want, copied);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(err, n < 0 ? errno : EIO);
    if (!out_.write(std::string_view(buffer, static_cast<size_t>(n)), err)) {
      return false;
    }
    copied += n;
  }
  if (old_used_ > 0 &&
      !out_.write(std::string_view(old_block_.get(), old_used_), err)) {
    return false;
  }
  if (old_fd_ >= 0) stop_comparing();
  return true;
}

// Consumes bytes while they equal the old file's; at the first difference
// the rest of bytes goes to the temporary file.
bool listing_writer::compare(std::string_view bytes, std::string* err) {
  while (!bytes.empty()) {
    if (old_used_ == old_filled_) {
      if (old_at_end_) break;  // the new listing is longer
      if (!refill(err)) return false;
      continue;
    }
    const size_t n = std::min(bytes.size(), old_filled_ - old_used_);
    const char* old = old_block_.get() + old_used_;
    const size_t same = static_cast<size_t>(
        std::mismatch(bytes.begin(), bytes.begin() + n, old).first -
        bytes.begin());
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
      stop_comparing();
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
