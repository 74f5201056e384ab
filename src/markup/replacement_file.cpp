#include "markup/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <dirent.h>
#include <signal.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "markup/files.h"
#include "markup/long_path.h"

namespace {

// Symbolic links followed from the output name before giving up (the
// system's own limit for path lookups).
constexpr int kMaxLinkHops = 40;
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

// The protected_symlinks rule: a link is followed only when it belongs to
// the user running the program or to the owner of the folder holding it.
// Anyone may plant a link in a shared folder such as /tmp; following it
// would let them choose which of our files a write replaces.
bool may_follow(int folder_fd, const struct stat& link, std::string* err) {
  if (link.st_uid == geteuid()) return true;
  struct stat folder;
  if (fstat(folder_fd, &folder) != 0) return fail(err, errno);
  if (link.st_uid == folder.st_uid) return true;
  *err = "a symbolic link of another user (uid " +
         std::to_string(link.st_uid) + ") in a folder of uid " +
         std::to_string(folder.st_uid) +
         ", which is followed only when it belongs to the user writing or "
         "to the folder's owner";
  return false;
}

constexpr char kTempInfix[] = ".dirgen-";
constexpr size_t kRandomLength = 6;

// The temporary name's start for a target name: "." and the name's first
// kTempStemLength bytes.
std::string temp_stem(const std::string& target_name) {
  return "." + target_name.substr(0, kTempStemLength);
}

}  // namespace

bool is_temporary_name(std::string_view name, pid_t* pid) {
  // "." stem ".dirgen-" digits "-" six letters or digits
  if (name.size() < 1 + 1 + std::strlen(kTempInfix) + 1 + 1 + kRandomLength ||
      name[0] != '.') {
    return false;
  }
  const std::string_view random = name.substr(name.size() - kRandomLength);
  for (char c : random) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  std::string_view rest = name.substr(0, name.size() - kRandomLength);
  if (rest.back() != '-') return false;
  rest.remove_suffix(1);
  size_t digits = 0;
  while (digits < rest.size() &&
         std::isdigit(static_cast<unsigned char>(rest[rest.size() - 1 - digits]))) {
    ++digits;
  }
  if (digits == 0 || digits > 9) return false;
  const std::string_view number = rest.substr(rest.size() - digits);
  rest.remove_suffix(digits);
  const size_t infix = std::strlen(kTempInfix);
  if (rest.size() < 2 + infix ||
      rest.substr(rest.size() - infix) != kTempInfix) {
    return false;
  }
  if (pid) *pid = static_cast<pid_t>(std::stol(std::string(number)));
  return true;
}

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
    if (!may_follow(folder, st, err)) {
      close(folder);
      return false;
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

bool replacement_file::prepare(int dir_fd, const std::string& folder_path,
                               const std::string& name,
                               const replace_options& options,
                               std::string* err) {
  folder_path_ = folder_path;
  target_name_ = name;
  sync_ = options.sync;
  mode_ = options.mode;
  if (!resolve_target(dir_fd, options.follow_links, err)) return false;
  target_path_ = join(folder_path_, target_name_);
  struct stat folder;
  if (options.keep_folder_time && fstat(folder_fd_, &folder) == 0) {
    folder_time_ = folder.st_mtim;
  }
  if (!check_old(options, err)) {
    close(folder_fd_);
    folder_fd_ = -1;
    return false;
  }
  return true;
}

// Looks at what the target is now: nothing, or a regular file that may be
// replaced (sets exists_ and old_).
bool replacement_file::check_old(const replace_options& options,
                                 std::string* err) {
  const int no_follow = options.follow_links ? 0 : AT_SYMLINK_NOFOLLOW;
  exists_ = fstatat(folder_fd_, target_name_.c_str(), &old_, no_follow) == 0;
  if (!exists_ && errno != ENOENT) return fail(err, errno);
  // A link that is replaced itself is no old file to keep anything of.
  if (exists_ && S_ISLNK(old_.st_mode)) exists_ = false;
  if (!exists_) return true;
  if (S_ISDIR(old_.st_mode)) return fail(err, EISDIR);
  if (!S_ISREG(old_.st_mode)) {
    *err = "not a regular file";
    return false;
  }
  const kept_file* k =
      options.keep ? find_kept(*options.keep, {old_.st_dev, old_.st_ino})
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
  return true;
}

int replacement_file::open_old() const {
  return openat(folder_fd_, target_name_.c_str(),
                O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
}

int replacement_file::clear_stale_temporaries() const {
  int fd = openat(folder_fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return 0;
  }
  const std::string stem = temp_stem(target_name_) + kTempInfix;
  int removed = 0;
  while (const dirent* e = readdir(dir)) {
    const std::string_view name(e->d_name);
    pid_t pid = 0;
    if (name.substr(0, stem.size()) != stem || !is_temporary_name(name, &pid)) {
      continue;
    }
    // Only this target's files: nothing but the pid between stem and "-".
    const std::string_view middle = name.substr(
        stem.size(), name.size() - stem.size() - kRandomLength - 1);
    if (middle != std::to_string(pid)) continue;
    // A process that still runs (or that we may not signal) keeps its files.
    if (pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
    if (unlinkat(dirfd(dir), e->d_name, 0) == 0) ++removed;
  }
  closedir(dir);
  return removed;
}

bool replacement_file::start(std::string* err) {
  const std::string stem =
      temp_stem(target_name_) + kTempInfix + std::to_string(getpid()) + "-";
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_name_ = stem + random_suffix();
    // Registered before it exists: a signal may come as soon as it does.
    // Only this process makes names with its pid, so whatever the handler
    // might find under the name is a temporary file of ours or a stale one.
    registration_ = register_temporary_file(join(folder_path_, temp_name_));
    fd_ = openat(folder_fd_, temp_name_.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) break;
    const int error = errno;
    release_temporary_file(registration_);
    registration_ = kNoRegistration;
    if (error != EEXIST || attempt == 100) {
      temp_name_.clear();
      return fail(err, error);
    }
  }
  if (!mode_ && exists_) {
    // The owner first: changing it may clear the set-id bits.
    if (old_.st_uid != geteuid() || old_.st_gid != getegid()) {
      (void)fchown(fd_, old_.st_uid, old_.st_gid);
    }
  }
  if (mode_ || exists_) {
    const mode_t mode = mode_ ? *mode_ : old_.st_mode & 07777;
    if (fchmod(fd_, mode) != 0) {
      int error = errno;
      discard();
      return fail(err, error);
    }
  }
  // Reopened by path for the rename: a build stages thousands of files,
  // and a descriptor each would run into the open-file limit.
  close(folder_fd_);
  folder_fd_ = -1;
  block_.reset(new char[kBlockSize]);
  used_ = 0;
  return true;
}

bool replacement_file::open(int dir_fd, const std::string& folder_path,
                            const std::string& name,
                            const replace_options& options, std::string* err) {
  return prepare(dir_fd, folder_path, name, options, err) && start(err);
}

bool replacement_file::prepare(const std::string& path,
                               const replace_options& options,
                               std::string* err) {
  std::string folder, name;
  split_path(path, &folder, &name);
  if (name.empty()) return fail(err, EISDIR);
  int dir = open_folder_path(folder.data(), folder.size(), O_PATH);
  if (dir < 0) return fail(err, errno);
  const bool ok = prepare(dir, folder, name, options, err);
  close(dir);
  return ok;
}

bool replacement_file::open(const std::string& path,
                            const replace_options& options, std::string* err) {
  return prepare(path, options, err) && start(err);
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
  folder_fd_ = open_folder_path(folder_path_.data(), folder_path_.size(),
                                O_PATH);
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
  release_temporary_file(registration_);
  registration_ = kNoRegistration;
  restore_folder_time();
  if (sync_) sync_folder(folder_fd_);
  close(folder_fd_);
  folder_fd_ = -1;
  return true;
}

// A failure is not reported: the folder's time is a courtesy.
void replacement_file::restore_folder_time() {
  if (!folder_time_) return;
  int fd = openat(folder_fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const struct timespec times[2] = {{0, UTIME_OMIT}, *folder_time_};
  futimens(fd, times);
  close(fd);
}

void replacement_file::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  block_.reset();
  if (!temp_name_.empty()) {
    std::string ignored;
    if (reopen_folder(&ignored)) {
      unlinkat(folder_fd_, temp_name_.c_str(), 0);
      restore_folder_time();
    }
    temp_name_.clear();
    release_temporary_file(registration_);
    registration_ = kNoRegistration;
  }
  if (folder_fd_ >= 0) close(folder_fd_);
  folder_fd_ = -1;
}
