#include "markup/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Symbolic links followed from the output name before giving up (the
// system's own limit for path lookups).
constexpr int kMaxLinkHops = 40;
// A folder path shorter than this is reopened by path when the replacement
// is committed; a longer one keeps its descriptor open until then, since no
// single system call takes it.
constexpr size_t kReopenablePath = 2048;
// The temporary file's name keeps at most this much of the target's name,
// so that it stays within the 255-byte limit of one name.
constexpr size_t kTempStemLength = 200;

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string system_reason(int error) { return std::strerror(error); }

bool fail(std::string* err, int error) {
  *err = system_reason(error);
  return false;
}

bool write_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Six name characters that differ from call to call and process to process.
std::string random_suffix() {
  static const char kChars[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local uint64_t state = 0;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  state = state * 6364136223846793005ULL + 1442695040888963407ULL +
          static_cast<uint64_t>(ts.tv_nsec) + (uint64_t(getpid()) << 32);
  uint64_t bits = state ^ (state >> 29);
  std::string out;
  for (int i = 0; i < 6; ++i, bits /= 62) out += kChars[bits % 62];
  return out;
}

// Makes a rename in the folder durable. A failure is not reported: the new
// file is already in place.
void sync_folder(int folder_fd) {
  int fd = openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

const kept_file* find_kept(const std::vector<kept_file>& keep,
                           const file_identity& id) {
  for (const kept_file& k : keep) {
    if (k.id == id) return &k;
  }
  return nullptr;
}

replacement_file::~replacement_file() { discard(); }

// Follows name through symbolic links (when follow_links) to the file to
// replace; leaves folder_path_, target_name_ and folder_fd_ (its folder) set.
bool replacement_file::resolve_target(int dir_fd, bool follow_links,
                                      std::string* err) {
  int folder = fcntl(dir_fd, F_DUPFD_CLOEXEC, 0);
  if (folder < 0) return fail(err, errno);
  for (int hops = 0; follow_links; ++hops) {
    struct stat st;
    if (fstatat(folder, target_name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode)) {
      break;  // a file, something else, or nothing yet: checked by open()
    }
    if (hops == kMaxLinkHops) {
      close(folder);
      return fail(err, ELOOP);
    }
    std::string to(static_cast<size_t>(st.st_size) + 1, '\0');
    ssize_t n = readlinkat(folder, target_name_.c_str(), to.data(), to.size());
    if (n < 0 || static_cast<size_t>(n) >= to.size()) {
      int error = n < 0 ? errno : ENAMETOOLONG;
      close(folder);
      return fail(err, error);
    }
    to.resize(static_cast<size_t>(n));
    size_t slash = to.rfind('/');
    if (slash == std::string::npos) {
      target_name_ = to;
      continue;
    }
    std::string dir = slash == 0 ? "/" : to.substr(0, slash);
    int next = openat(folder, dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    close(folder);
    if (next < 0) return fail(err, errno);
    folder = next;
    folder_path_ = dir[0] == '/' ? dir : join(folder_path_, dir);
    target_name_ = to.substr(slash + 1);
    if (target_name_.empty()) {
      close(folder);
      return fail(err, EISDIR);
    }
  }
  folder_fd_ = folder;
  return true;
}

bool replacement_file::open(int dir_fd, const std::string& folder_path,
                            const std::string& name,
                            const replace_options& options, std::string* err) {
  folder_path_ = folder_path;
  target_name_ = name;
  sync_ = options.sync;
  if (!resolve_target(dir_fd, options.follow_links, err)) return false;
  target_path_ = join(folder_path_, target_name_);

  struct stat old;
  const int no_follow = options.follow_links ? 0 : AT_SYMLINK_NOFOLLOW;
  bool exists = fstatat(folder_fd_, target_name_.c_str(), &old, no_follow) == 0;
  if (!exists && errno != ENOENT) return fail(err, errno);
  // A link that is replaced itself is no old file to keep anything of.
  if (exists && S_ISLNK(old.st_mode)) exists = false;
  if (exists && S_ISDIR(old.st_mode)) return fail(err, EISDIR);
  if (exists && !S_ISREG(old.st_mode)) {
    *err = "not a regular file";
    return false;
  }
  if (exists) {
    const kept_file* k =
        options.keep ? find_kept(*options.keep, {old.st_dev, old.st_ino})
                     : nullptr;
    if (k) {
      *err = k->refusal;
      return false;
    }
    // A file its owner made read-only is not replaced behind their back,
    // though the rename alone would be allowed.
    if (faccessat(folder_fd_, target_name_.c_str(), W_OK, AT_EACCESS) != 0) {
      return fail(err, errno);
    }
  }

  const std::string stem = "." + target_name_.substr(0, kTempStemLength);
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_name_ = stem + ".dirgen-" + random_suffix();
    fd_ = openat(folder_fd_, temp_name_.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
      temp_name_.clear();
      return fail(err, errno);
    }
  }
  if (!options.mode && exists) {
    // The owner first: changing it may clear the set-id bits.
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
      (void)fchown(fd_, old.st_uid, old.st_gid);
    }
  }
  if (options.mode || exists) {
    const mode_t mode = options.mode ? *options.mode : old.st_mode & 07777;
    if (fchmod(fd_, mode) != 0) {
      int error = errno;
      discard();
      return fail(err, error);
    }
  }
  if (folder_path_.size() < kReopenablePath) {
    close(folder_fd_);
    folder_fd_ = -1;
  }
  block_.reset(new char[kBlockSize]);
  used_ = 0;
  return true;
}

bool replacement_file::open(const std::string& path,
                            const replace_options& options, std::string* err) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? ""
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const std::string name =
      slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return fail(err, EISDIR);
  int dir = ::open(folder.empty() ? "." : folder.c_str(),
                   O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return fail(err, errno);
  const bool ok = open(dir, folder, name, options, err);
  close(dir);
  return ok;
}

bool replacement_file::flush(std::string* err) {
  if (used_ > 0 && !write_all(fd_, block_.get(), used_)) {
    return fail(err, errno);
  }
  used_ = 0;
  return true;
}

bool replacement_file::write(std::string_view bytes, std::string* err) {
  if (used_ + bytes.size() > kBlockSize) {
    if (!flush(err)) return false;
    if (bytes.size() >= kBlockSize) {
      if (!write_all(fd_, bytes.data(), bytes.size())) {
        return fail(err, errno);
      }
      return true;
    }
  }
  std::memcpy(block_.get() + used_, bytes.data(), bytes.size());
  used_ += bytes.size();
  return true;
}

bool replacement_file::finish(std::string* err) {
  bool ok = flush(err);
  if (ok && sync_ && fsync(fd_) != 0) ok = fail(err, errno);
  // A full disk or a quota may show only here.
  if (close(fd_) != 0 && ok) ok = fail(err, errno);
  fd_ = -1;
  block_.reset();
  return ok;
}

bool replacement_file::reopen_folder(std::string* err) {
  if (folder_fd_ >= 0) return true;
  const char* path = folder_path_.empty() ? "." : folder_path_.c_str();
  folder_fd_ = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd_ < 0) return fail(err, errno);
  return true;
}

bool replacement_file::commit(std::string* err) {
  if (!reopen_folder(err)) {
    discard();
    return false;
  }
  if (renameat(folder_fd_, temp_name_.c_str(), folder_fd_,
               target_name_.c_str()) != 0) {
    int error = errno;
    discard();
    return fail(err, error);
  }
  temp_name_.clear();
  if (sync_) sync_folder(folder_fd_);
  close(folder_fd_);
  folder_fd_ = -1;
  return true;
}

void replacement_file::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  block_.reset();
  if (!temp_name_.empty()) {
    std::string ignored;
    if (reopen_folder(&ignored)) unlinkat(folder_fd_, temp_name_.c_str(), 0);
    temp_name_.clear();
  }
  if (folder_fd_ >= 0) close(folder_fd_);
  folder_fd_ = -1;
}
