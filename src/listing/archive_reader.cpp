#include "listing/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "listing/archive_tree.h"
#include "text/encoders.h"
#include "text/out_of_memory.h"

namespace {

// Bytes asked of the file per read: large enough that system calls cost
// nothing beside decompression.
constexpr size_t kReadBlock = 128 * 1024;

// The archive file as libarchive's callbacks read it. Remembers whether a
// read met the end of the file and the first system error.
class source_file {
 public:
  source_file() : block_(new char[kReadBlock]) {}
  ~source_file() {
    if (fd_ >= 0) close(fd_);
  }
  source_file(const source_file&) = delete;
  source_file& operator=(const source_file&) = delete;

  // Opens path; false with *reason set when it cannot be read as a file.
  bool open(const std::string& path, std::string* reason) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
      *reason = std::strerror(errno);
      return false;
    }
    // A fifo or a terminal could block for ever; a folder has no bytes.
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
      *reason =
          S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
      return false;
    }
    size_ = lseek(fd_, 0, SEEK_END);  // also the size of a block device
    if (size_ < 0 || lseek(fd_, 0, SEEK_SET) != 0) {
      *reason = std::strerror(errno);
      return false;
    }
    return true;
  }

  // Back to the first byte, with the flags cleared.
  bool rewind() {
    at_end_ = false;
    return lseek(fd_, 0, SEEK_SET) == 0;
  }

  // Connects a new reader to this file. REQUIRES: a is not open yet.
  void attach(archive* a) {
    archive_read_set_callback_data(a, this);
    archive_read_set_read_callback(a, read_cb);
    archive_read_set_skip_callback(a, skip_cb);
    archive_read_set_seek_callback(a, seek_cb);
  }

  bool at_end() const { return at_end_; }
  int error() const { return error_; }
  int fd() const { return fd_; }
  bool starts_gzip() const { return head_.rfind("\x1f\x8b", 0) == 0; }
  // A zip with no entries is nothing but its 22-byte end record, which
  // libarchive's zip reader never finds (it looks before the last 22
  // bytes).
  bool is_empty_zip() const {
    return size_ == static_cast<off_t>(kHeadSize) &&
           head_ == std::string("PK\x05\x06", 4) + std::string(18, '\0');
  }

 private:
  static la_ssize_t read_cb(archive* a, void* self, const void** out) {
    auto* f = static_cast<source_file*>(self);
    ssize_t n;
    do {
      n = read(f->fd_, f->block_.get(), kReadBlock);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return f->fail(a);
    if (n == 0) f->at_end_ = true;
    if (!f->head_seen_) {
      f->head_.assign(f->block_.get(), std::min<size_t>(n, kHeadSize));
      f->head_seen_ = true;
    }
    *out = f->block_.get();
    return n;
  }
  // Never past the end: a header that claims more data than the file
  // holds must show as a truncated archive, not as its end.
  static la_int64_t skip_cb(archive* a, void* self, la_int64_t request) {
    auto* f = static_cast<source_file*>(self);
    off_t at = lseek(f->fd_, 0, SEEK_CUR);
    if (at < 0) return f->fail(a);
    la_int64_t step = std::min<la_int64_t>(request, f->size_ - at);
    if (step > 0 && lseek(f->fd_, step, SEEK_CUR) < 0) return f->fail(a);
    return std::max<la_int64_t>(step, 0);
  }
  static la_int64_t seek_cb(archive* a, void* self, la_int64_t offset,
                            int whence) {
    auto* f = static_cast<source_file*>(self);
    off_t at = lseek(f->fd_, offset, whence);
    if (at < 0) return f->fail(a);
    f->at_end_ = false;
    return at;
  }
  int fail(archive* a) {
    if (error_ == 0) error_ = errno;
    archive_set_error(a, errno, "%s", std::strerror(errno));
    return ARCHIVE_FATAL;
  }

  int fd_ = -1;
  off_t size_ = 0;
  std::unique_ptr<char[]> block_;
  bool at_end_ = false;
  int error_ = 0;
  // The first bytes of the file, as the first read found them.
  static constexpr size_t kHeadSize = 22;
  std::string head_;
  bool head_seen_ = false;
};

// Entry names are handed over as UTF-8 whatever the process locale, so that
// names a pax header or a zip flag declares as UTF-8 arrive unchanged
// (libarchive converts them to the thread's locale). Thread-local.
class utf8_names {
 public:
  utf8_names() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
    if (utf8_) previous_ = uselocale(utf8_);
  }
  ~utf8_names() {
    if (!utf8_) return;
    uselocale(previous_);
    freelocale(utf8_);
  }
  utf8_names(const utf8_names&) = delete;
  utf8_names& operator=(const utf8_names&) = delete;

 private:
  locale_t utf8_;
  locale_t previous_ = LC_GLOBAL_LOCALE;
};

struct archive_closer {
  void operator()(archive* a) const { archive_read_free(a); }
};
using archive_ptr = std::unique_ptr<archive, archive_closer>;

struct entry_closer {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using entry_ptr = std::unique_ptr<archive_entry, entry_closer>;

// A reader of every compression. With formats, of every archive format
// but three: mtree and raw, which would take any text for an archive, and
// zip's streaming reader, which would list a zip whose central directory
// is lost as if it were whole. Without formats, of the uncompressed bytes
// as one entry.
archive_ptr new_reader(source_file* src, bool formats) {
  archive_ptr a(archive_read_new());
  if (!a) out_of_memory();
  archive* r = a.get();
  archive_read_support_filter_all(r);
  if (formats) {
    archive_read_support_format_7zip(r);
    archive_read_support_format_ar(r);
    archive_read_support_format_cab(r);
    archive_read_support_format_cpio(r);
    archive_read_support_format_empty(r);
    archive_read_support_format_iso9660(r);
    archive_read_support_format_lha(r);
    archive_read_support_format_rar(r);
    archive_read_support_format_rar5(r);
    archive_read_support_format_tar(r);
    archive_read_support_format_warc(r);
    archive_read_support_format_xar(r);
    archive_read_support_format_zip_seekable(r);
  } else {
    archive_read_support_format_raw(r);
  }
  src->attach(r);
  return a;
}

std::string error_text(archive* a, const char* fallback) {
  const char* text = archive_error_string(a);
  return text && *text ? text : fallback;
}

// gzip's own checks: zlib verifies each member's CRC-32 and length, which
// libarchive's gzip reader does not, so data corrupt in the middle of a
// stream is found here even when it still inflates. True when the whole
// file unpacks and every check holds; otherwise *reason says what broke.
bool gzip_intact(source_file* src, std::string* reason) {
  int copy = dup(src->fd());
  if (copy < 0) return true;  // cannot tell; blame the archive
  gzFile in = gzdopen(copy, "rb");
  if (!in) {
    close(copy);
    return true;
  }
  constexpr unsigned kSink = 64 * 1024;
  std::unique_ptr<char[]> sink(new char[kSink]);  // never looked at
  int n;
  while ((n = gzread(in, sink.get(), kSink)) > 0) {
  }
  if (n < 0) {
    int code;
    std::string text = gzerror(in, &code);  // "<fd:N>: what"
    size_t colon = text.find(": ");
    if (colon != std::string::npos) text.erase(0, colon + 2);
    *reason = text == "incorrect data check"
                  ? "gzip checksum (CRC-32) does not match: the compressed "
                    "data is corrupt"
                  : "gzip: " + text;
  }
  gzclose(in);
  return n == 0;
}

// Unpacks the file's compression alone (every layer of it, and gzip's
// checks), to tell corrupt compressed data from a damaged archive inside it.
// True when it unpacks to the end; otherwise *reason says why not.
bool compression_intact(source_file* src, std::string* reason) {
  if (!src->rewind()) return true;  // cannot tell; blame the archive
  if (src->starts_gzip()) {
    if (!gzip_intact(src, reason)) return false;
    if (!src->rewind()) return true;
  }
  archive_ptr a = new_reader(src, false);
  archive_entry* entry;
  if (archive_read_open1(a.get()) != ARCHIVE_OK ||
      archive_read_next_header(a.get(), &entry) != ARCHIVE_OK) {
    *reason = error_text(a.get(), "corrupt compressed data");
    return false;
  }
  constexpr size_t kSink = 64 * 1024;
  std::unique_ptr<char[]> sink(new char[kSink]);  // never looked at
  la_ssize_t n;
  while ((n = archive_read_data(a.get(), sink.get(), kSink)) > 0) {
  }
  if (n == 0) return true;
  *reason = error_text(a.get(), "corrupt compressed data");
  return false;
}

archive_family family_of(archive* a) {
  switch (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) {
    case 0:
      return archive_family::unknown;
    case ARCHIVE_FORMAT_TAR:
      return archive_family::tar;
    case ARCHIVE_FORMAT_ZIP:
      return archive_family::zip;
    default:
      return archive_family::other;
  }
}

bool compressed(archive* a) {
  for (int i = 0; i < archive_filter_count(a); ++i) {
    if (archive_filter_code(a, i) != ARCHIVE_FILTER_NONE) return true;
  }
  return false;
}

bool valid_utf8(std::string_view name) {
  for (size_t i = 0, n; i < name.size(); i += n) {
    n = utf8_sequence_length(name.substr(i));
    if (n == 0) return false;
  }
  return true;
}

// Zip entry names written without the zip's UTF-8 flag are in the IBM PC
// code page, CP437, by the zip format's definition: old Windows zippers
// wrote "caf\x82.txt" for café.txt. A name that is valid UTF-8 is kept as
// it is (many zippers write UTF-8 without the flag); any other is read as
// CP437, as unzip does. The converter is opened on first use.
class cp437_names {
 public:
  cp437_names() = default;
  ~cp437_names() {
    if (cd_ != kNone) iconv_close(cd_);
  }
  cp437_names(const cp437_names&) = delete;
  cp437_names& operator=(const cp437_names&) = delete;

  // name converted to UTF-8, valid until the next call; name itself when
  // the system has no CP437 converter.
  const char* to_utf8(const char* name) {
    if (cd_ == kNone) cd_ = iconv_open("UTF-8", "CP437");
    if (cd_ == kNone) return name;
    size_t in_left = std::strlen(name);
    // Every CP437 byte becomes at most three bytes of UTF-8.
    out_.assign(in_left * 3, '\0');
    char* in = const_cast<char*>(name);
    char* out = out_.data();
    size_t out_left = out_.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1)) {
      return name;
    }
    out_.resize(out_.size() - out_left);
    return out_.c_str();
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_ = kNone;
  std::string out_;
};

// One reading of one archive file into one tree.
class listing_reader {
 public:
  listing_reader(file_tree* tree, const archive_progress& progress,
                 archive_error* err)
      : tree_(tree), progress_(progress), err_(err) {}

  bool read(const std::string& path) {
    if (!src_.open(path, &err_->reason)) {
      return fail(archive_failure::unreadable, err_->reason);
    }
    a_ = new_reader(&src_, true);
    if (archive_read_open1(a_.get()) != ARCHIVE_OK) {
      if (src_.is_empty_zip()) return true;
      return open_failed();
    }
    entry_ptr entry(archive_entry_new());
    if (!entry) out_of_memory();
    int64_t count = 0;
    for (;;) {
      int r = archive_read_next_header2(a_.get(), entry.get());
      if (r == ARCHIVE_EOF) {
        if (!ended_whole()) return cut_short();
        break;
      }
      bool raw_name = r == ARCHIVE_WARN && only_a_name_warning();
      if (r != ARCHIVE_OK && !raw_name) return header_failed(r);
      if (!add(entry.get(), raw_name)) return false;
      if (progress_ && !progress_(++count)) {
        return fail(archive_failure::cancelled, "cancelled");
      }
    }
    tree_.finish();
    return true;
  }

 private:
  // Adds the entry to the tree. raw_name: the reader kept the name's bytes
  // as they are, because they are not in the charset the archive declares.
  // False, with the failure filled in, when it cannot be added.
  bool add(archive_entry* e, bool raw_name) {
    const char* name = archive_entry_pathname(e);
    if (!name) {
      return entry_failed(archive_failure::damaged, "an entry has no name");
    }
    if (!raw_name && family_of(a_.get()) == archive_family::zip &&
        !valid_utf8(name)) {
      name = cp437_.to_utf8(name);
    }
    int64_t time = archive_entry_mtime_is_set(e) ? archive_entry_mtime(e) : 0;
    bool added = archive_entry_filetype(e) == AE_IFDIR
                     ? tree_.add_folder(name, time)
                     : tree_.add_file(name, size_of(e), time);
    return added || entry_failed(archive_failure::too_deep,
                                 "folders nest too deep to be listed");
  }

  bool entry_failed(archive_failure failure, const char* reason) {
    err_->family = family_of(a_.get());
    return fail(failure, reason);
  }

  // A warning that a name (path, link target, owner) is not in the charset
  // its header declares, so it was kept as raw bytes, is no damage: GNU tar
  // lists such names too. Any other warning is.
  bool only_a_name_warning() {
    const char* text = archive_error_string(a_.get());
    return text && (std::strstr(text, " can't be converted from ") ||
                    std::strstr(text, " cannot be converted from "));
  }

  // A tar ends with a block of zeros (two, by the standard), which the
  // reader takes after the last entry's data. An archive cut short at a
  // block boundary or inside a header reaches the end of the data instead,
  // and libarchive reports that as a plain end (a cut inside data, or after
  // an extended header, it reports itself). So the end is whole only when
  // the reader took a block past the last entry.
  bool ended_whole() {
    archive* a = a_.get();
    return family_of(a) != archive_family::tar ||
           archive_filter_bytes(a, 0) > archive_read_header_position(a);
  }

  bool cut_short() {
    err_->family = archive_family::tar;
    const char* format = archive_format_name(a_.get());
    std::string reason = std::string(format ? format : "tar") +
                         ": Truncated tar archive (it ends without its "
                         "end-of-archive block)";
    return blame_compression_first(archive_failure::truncated, reason);
  }

  // The size the archive's own listing shows. A zip stores a symbolic
  // link's target as its data, and its listing shows that data's size;
  // libarchive reports the link with size 0 once it has read the target.
  int64_t size_of(archive_entry* e) {
    const char* target = archive_entry_symlink(e);
    if (target && family_of(a_.get()) == archive_family::zip) {
      return static_cast<int64_t>(std::strlen(target));
    }
    return archive_entry_size_is_set(e) ? archive_entry_size(e) : 0;
  }

  bool open_failed() {
    if (src_.error() != 0) {
      return fail(archive_failure::unreadable, std::strerror(src_.error()));
    }
    // Detection reads the start of the data: an error that is not "no
    // format matched" (which libarchive reports with EILSEQ, its file
    // format error on Linux) came from unpacking it.
    bool unknown = archive_errno(a_.get()) == EILSEQ;
    return fail(
        unknown ? archive_failure::not_archive : archive_failure::corrupt_data,
        error_text(a_.get(), "unknown format"));
  }

  bool header_failed(int status) {
    archive* a = a_.get();
    err_->family = family_of(a);
    if (src_.error() != 0) {
      return fail(archive_failure::unreadable, std::strerror(src_.error()));
    }
    std::string reason = error_text(
        a, status == ARCHIVE_FATAL ? "unexpected end of data" : "damaged");
    const char* format = archive_format_name(a);
    if (format) reason = std::string(format) + ": " + reason;
    bool met_end = src_.at_end();
    bool cut = status == ARCHIVE_FATAL && met_end;
    return blame_compression_first(
        cut ? archive_failure::truncated : archive_failure::damaged, reason);
  }

  // Fails with failure and reason, unless the compression around the
  // archive is what broke: that is reported instead.
  bool blame_compression_first(archive_failure failure,
                               const std::string& reason) {
    std::string unpack_reason;
    if (compressed(a_.get()) && !compression_intact(&src_, &unpack_reason)) {
      return fail(archive_failure::corrupt_data, unpack_reason);
    }
    return fail(failure, reason);
  }

  bool fail(archive_failure failure, const std::string& reason) {
    err_->failure = failure;
    err_->gzip = src_.starts_gzip();
    err_->reason = reason;
    return false;
  }

  source_file src_;
  archive_ptr a_;
  cp437_names cp437_;
  archive_tree tree_;
  const archive_progress& progress_;
  archive_error* err_;
};

}  // namespace

bool read_archive(const std::string& path, file_tree* tree,
                  const archive_progress& progress, archive_error* err) {
  tree->clear();
  *err = archive_error();
  utf8_names names;
  return listing_reader(tree, progress, err).read(path);
}
