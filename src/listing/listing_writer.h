// listing_writer: writes one listing over its previous version and leaves
// the file untouched when the new content is the same. The new bytes are
// compared with the old file as they come; the temporary file of the
// replacement (replacement_file.h) is created only at the first byte that
// differs, with the equal part copied from the old file. So a listing that
// did not change is never renamed, keeps its modification time, and costs
// a read instead of a write; mirrors and caches then see nothing new.
//
// A build that must first prove an old listing its own (listing_record.h)
// needs the old file's checksum before anything is written. Asked for it,
// the writer reads the old file whole at prepare(), checksums it, and
// compares the new bytes with what it holds: the old file is read once for
// both. Only an old file larger than kHeldOld is read twice, once for the
// checksum and once for the comparison, rather than held.
//
// Thread safety: an object is used by one thread at a time.
#ifndef DIRGEN_LISTING_LISTING_WRITER_H_
#define DIRGEN_LISTING_LISTING_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "markup/replacement_file.h"
#include "platform/checksum.h"

class listing_writer {
 public:
  // Old bytes read at once for the comparison.
  static constexpr size_t kCompareBlock = 64 * 1024;
  // The largest old file held whole for its checksum: a folder's listing
  // of tens of thousands of entries; a single listing of a larger tree
  // costs a second read instead of that much more memory.
  static constexpr size_t kHeldOld = 16 * 1024 * 1024;

  listing_writer() = default;
  ~listing_writer();
  listing_writer(const listing_writer&) = delete;
  listing_writer& operator=(const listing_writer&) = delete;

  // Finds the file name in the open folder dir_fd as
  // replacement_file::prepare() does (same refusals, *err the reason),
  // writing nothing yet. With checksum_old, also reads the old file for
  // old_checksum(). REQUIRES: not prepared before.
  bool prepare(int dir_fd, const std::string& folder_path,
               const std::string& name, const replace_options& options,
               bool checksum_old, std::string* err);

  // SHA-256 of the old file as prepare() found it, when asked for there;
  // "" when there is none or it could not be read.
  const std::string& old_checksum() const { return old_checksum_; }

  // The file the listing replaces (valid after prepare()).
  const replacement_file& target() const { return out_; }

  // Appends bytes of the new listing. False on a read or write error (*err
  // set). REQUIRES: prepared.
  bool write(std::string_view bytes, std::string* err);

  // Ends the new listing: finishes the temporary file when the content
  // differs. False on error (*err set).
  bool finish(std::string* err);

  // After finish(): whether the new content differs from the old file (or
  // there was none), so that commit() has a file to put in place.
  bool changed() const { return started_; }

  // Puts a changed listing in place; does nothing for an unchanged one.
  bool commit(std::string* err);

  // SHA-256 of the whole new content (valid after finish()).
  const std::string& checksum() const { return checksum_; }

 private:
  bool checksum_old();
  bool read_old(size_t capacity, sha256_stream* sum);
  void stop_comparing();
  bool compare(std::string_view bytes, std::string* err);
  bool diverge(std::string* err);
  bool refill(std::string* err);

  replacement_file out_;
  sha256_stream hash_;
  std::string checksum_;
  std::string old_checksum_;
  int old_fd_ = -1;  // the old file while the content is equal
  std::unique_ptr<char[]> old_block_;
  int64_t old_offset_ = 0;  // where old_block_ starts in the old file
  size_t old_used_ = 0;     // bytes of old_block_ already compared
  size_t old_filled_ = 0;   // bytes in old_block_
  bool old_at_end_ = false;  // nothing of the old file is left to read
  bool started_ = false;   // the temporary file exists
};

#endif  // DIRGEN_LISTING_LISTING_WRITER_H_
