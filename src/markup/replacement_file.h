// replacement_file: writes a new version of a file beside the old one and
// puts it in place with one rename, so the file is always either whole and
// old or whole and new. The one way every file of the program is replaced:
// listings, settings files, the installer's files (write_file_atomically in
// files.h is the whole-text form).
//
// The temporary file is named ".<name>.dirgen-<pid>-XXXXXX" after the
// target, the process that writes it and six random characters; while it
// exists it is registered for removal should the process be interrupted
// (interrupt_cleanup.h). A file of that pattern whose process has ended is
// a leftover of a killed process, which clear_stale_temporaries() removes.
//
// A symbolic link at the target is followed only when its owner is the
// user running the program or the owner of the folder holding it (the
// kernel's protected_symlinks rule): a link another user planted in a
// shared folder never redirects a write.
//
// Thread safety: an object is used by one thread at a time.
#ifndef DIRGEN_MARKUP_REPLACEMENT_FILE_H_
#define DIRGEN_MARKUP_REPLACEMENT_FILE_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "markup/interrupt_cleanup.h"

// A file's identity on this machine: two paths name the same file exactly
// when both match.
struct file_identity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const file_identity&) const = default;
};

// A file that a replacement must never be, and why.
struct kept_file {
  file_identity id;
  std::string refusal;  // the reason given when the target is this file
};

// Whether name has the pattern of a temporary file (".<name>.dirgen-<pid>-
// XXXXXX"); *pid (when non-null) is then the process that made it.
bool is_temporary_name(std::string_view name, pid_t* pid);

// The kept file that id is, or null.
const kept_file* find_kept(const std::vector<kept_file>& keep,
                           const file_identity& id);

// Where callers differ in how a file is replaced.
struct replace_options {
  // Flushes the new file to the disk before the rename and the folder after
  // it, so that even a power loss leaves the old file or the new one. Costs
  // milliseconds per file.
  bool sync = false;
  // Gives the target's folder back the modification time it had before the
  // replacement, so that the replacement does not count as a change of the
  // folder: a listing that shows a folder's time is then not changed by the
  // listings written into that folder.
  bool keep_folder_time = false;
  // When the name is a symbolic link: true replaces the file it points to
  // (the link stays and keeps working), false replaces the link itself.
  bool follow_links = true;
  // The permission bits of the new file. Unset: those of the old file (and
  // its owner, where the system allows), or for a new file those open(2)
  // gives (0666 less the umask).
  std::optional<mode_t> mode;
  // Files the target must never be (borrowed; may be null).
  const std::vector<kept_file>* keep = nullptr;
};

class replacement_file {
 public:
  // Bytes collected before each write to the file: listings are written in
  // a few large blocks rather than in many template-sized pieces.
  static constexpr size_t kBlockSize = 256 * 1024;

  replacement_file() = default;
  // Removes the temporary file unless it was committed.
  ~replacement_file();
  replacement_file(const replacement_file&) = delete;
  replacement_file& operator=(const replacement_file&) = delete;

  // Finds the file to replace as open() does, checking everything open()
  // checks, but creates no temporary file yet: start() does. Between the
  // two the old file can be read (open_old()).
  // REQUIRES: not opened or prepared before.
  bool prepare(int dir_fd, const std::string& folder_path,
               const std::string& name, const replace_options& options,
               std::string* err);
  // The same for the file at path (relative to the current folder).
  bool prepare(const std::string& path, const replace_options& options,
               std::string* err);
  // Whether the target exists (as a regular file). REQUIRES: prepared.
  bool target_exists() const { return exists_; }
  // The target opened for reading (the caller closes it), or -1 with errno
  // set. REQUIRES: prepared, not started.
  int open_old() const;
  // Removes, beside the target, the temporary files of this name left by
  // processes that no longer run; returns how many. REQUIRES: prepared,
  // not started.
  int clear_stale_temporaries() const;
  // Creates the temporary file. False (*err set) when it cannot be made;
  // nothing is then left behind. REQUIRES: prepared, not started.
  bool start(std::string* err);

  // Starts the replacement of the file name inside the open folder dir_fd
  // (borrowed; used only during this call). folder_path is dir_fd's path,
  // used in messages and to reopen the folder, whatever its length, to
  // commit or discard: a started replacement holds only its temporary
  // file's descriptor, until finish(). Links are followed or not as options say; the temporary
  // file is created in the target's folder. prepare() then start().
  // Refuses, writing nothing, when the target is a folder, not a regular
  // file, a file this process may not write to, one of options.keep, or
  // reached through a link that may not be followed.
  // False on failure with *err the reason (the system's text, or a kept
  // file's refusal); nothing is left behind. Every *err of this class is
  // such a reason; the caller names the file.
  // REQUIRES: not opened before.
  bool open(int dir_fd, const std::string& folder_path, const std::string& name,
            const replace_options& options, std::string* err);
  // The same for the file at path (relative to the current folder).
  bool open(const std::string& path, const replace_options& options,
            std::string* err);

  // Appends bytes. False on a write error (*err set). REQUIRES: open.
  bool write(std::string_view bytes, std::string* err);

  // Writes what is buffered and closes the temporary file, after flushing
  // it to the disk when options.sync is set. False on any error (*err set).
  bool finish(std::string* err);

  // Renames the finished temporary file over the target (and with
  // options.sync, flushes the folder). False (*err set, the temporary file
  // removed) when the rename fails.
  bool commit(std::string* err);

  // Removes the temporary file (if any) and forgets it.
  void discard();

  // The target's path for messages: folder path and name, after any link.
  const std::string& target_path() const { return target_path_; }

 private:
  bool resolve_target(int dir_fd, bool follow_links, std::string* err);
  bool check_old(const replace_options& options, std::string* err);
  bool reopen_folder(std::string* err);
  void restore_folder_time();
  bool flush(std::string* err);

  std::string folder_path_;  // the target's folder
  std::string target_name_;
  std::string target_path_;
  std::string temp_name_;
  size_t registration_ = kNoRegistration;  // of the temporary file, for interrupts
  bool sync_ = false;
  bool exists_ = false;
  std::optional<struct timespec> folder_time_;  // to restore
  struct stat old_ {};  // the target, when exists_
  std::optional<mode_t> mode_;
  int folder_fd_ = -1;  // O_PATH; from prepare() to start(), then in commit()
  int fd_ = -1;         // the temporary file while it is being written
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
};

#endif  // DIRGEN_MARKUP_REPLACEMENT_FILE_H_
