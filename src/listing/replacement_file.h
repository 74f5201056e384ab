// replacement_file: writes a new version of a file beside the old one and
// puts it in place with one rename, so the file is always either whole and
// old or whole and new. The build writes every listing through it.
//
// Thread safety: an object is used by one thread at a time.
#ifndef DIRGEN_LISTING_REPLACEMENT_FILE_H_
#define DIRGEN_LISTING_REPLACEMENT_FILE_H_

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A file's identity on this machine: two paths name the same file exactly
// when both match.
struct file_identity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const file_identity&) const = default;
};

// The identity of the open file fd. False (and *err set) when fstat fails.
bool identity_of(int fd, file_identity* id, std::string* err);

// A file that a replacement must never be, and what to call it.
struct kept_file {
  file_identity id;
  std::string what;  // "the source archive", "the template"
};

// The kept file that id is, or null.
const kept_file* find_kept(const std::vector<kept_file>& keep,
                           const file_identity& id);

// Why a file that is k cannot be an output.
std::string refusal_reason(const kept_file& k);

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

  // Starts the replacement of the file name inside the open folder dir_fd
  // (borrowed; used only during this call). folder_path is dir_fd's path,
  // used in messages and, when short enough, to reopen the folder at
  // commit time. When name is a symbolic link the file it points to is
  // replaced, and the link stays. The temporary file is created in the
  // target's folder with the old file's permissions (and owner, where the
  // system allows), or with the usual permissions of a new file.
  // Refuses, writing nothing, when the target is a folder, a file this
  // process may not write to, or one of the files in keep (the source
  // archive, the template).
  // False on failure with *err the reason (the system's text, or which
  // kept file the target is); nothing is left behind. Every *err of this
  // class is such a reason; the caller names the file.
  // REQUIRES: not opened before.
  bool open(int dir_fd, const std::string& folder_path, const std::string& name,
            const std::vector<kept_file>& keep, std::string* err);

  // Appends bytes. False on a write error (*err set). REQUIRES: open.
  bool write(std::string_view bytes, std::string* err);

  // Writes what is buffered and closes the temporary file, after flushing
  // it to the disk when sync is set. False on any error (*err set).
  bool finish(bool sync, std::string* err);

  // Renames the finished temporary file over the target. False (*err set,
  // the temporary file removed) when the rename fails.
  bool commit(std::string* err);

  // Removes the temporary file (if any) and forgets it.
  void discard();

  // The target's path for messages: folder path and name, after any link.
  const std::string& target_path() const { return target_path_; }

 private:
  bool resolve_target(int dir_fd, std::string* err);
  bool reopen_folder(std::string* err);
  bool flush(std::string* err);

  std::string folder_path_;  // the target's folder
  std::string target_name_;
  std::string target_path_;
  std::string temp_name_;
  int folder_fd_ = -1;  // O_PATH; kept only when folder_path_ is too long
  int fd_ = -1;         // the temporary file while it is being written
  std::unique_ptr<char[]> block_;
  size_t used_ = 0;
};

#endif  // DIRGEN_LISTING_REPLACEMENT_FILE_H_
