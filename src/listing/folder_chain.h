// folder_chain: the open folders from the source folder down to the one a
// recursive walk is in, with a bounded number of descriptors whatever the
// depth.
//
// A walk opens each folder relative to its parent, so it needs the parent's
// descriptor while it is below it. Holding one descriptor per level would
// make the depth of a listable tree depend on the open-file limit (1024 by
// default), so only the source folder and the kMaxOpen deepest levels stay
// open; a level that was closed is opened again from the nearest open
// ancestor, name by name, when the walk comes back to it and needs it. A
// folder reopened that way must be the one that was there before (same
// device and inode): a folder renamed or replaced meanwhile is reported, not
// silently listed in its place.
//
// Descriptors are shared (folder_handle): a helper thread reading a
// subfolder keeps its parent open while it needs it, even when the chain
// lets it go.
//
// Threading: a chain is used by one thread; the handles it gives out may
// be used and dropped on any thread.
#ifndef DIRGEN_LISTING_FOLDER_CHAIN_H_
#define DIRGEN_LISTING_FOLDER_CHAIN_H_

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An open folder descriptor, closed with its last handle.
class open_folder {
 public:
  explicit open_folder(int fd) : fd_(fd) {}
  ~open_folder();
  open_folder(const open_folder&) = delete;
  open_folder& operator=(const open_folder&) = delete;
  int fd() const { return fd_; }

 private:
  const int fd_;
};
using folder_handle = std::shared_ptr<const open_folder>;

// Opens the folder name inside parent_fd for reading, never through a
// symbolic link. Null with *error set on failure.
folder_handle open_subfolder(int parent_fd, std::string_view name,
                             int* error);

class folder_chain {
 public:
  // Levels below the source folder kept open. Each costs one descriptor;
  // walking back up past them costs one open per level every kMaxOpen
  // levels, as fts does.
  static constexpr size_t kMaxOpen = 32;

  // The chain holds only root, the source folder. REQUIRES: root is set.
  explicit folder_chain(folder_handle root);
  folder_chain(const folder_chain&) = delete;
  folder_chain& operator=(const folder_chain&) = delete;

  // Levels below the source folder.
  size_t depth() const { return levels_.size() - 1; }

  // The deepest folder, opened again when the chain had let it go. Null
  // with *error set when it cannot be opened, or is no longer the folder
  // that was there (ESTALE).
  folder_handle deepest(int* error);

  // folder, opened as name inside the deepest folder, becomes the deepest.
  void push(std::string_view name, folder_handle folder);
  // The parent of the deepest folder becomes the deepest. REQUIRES:
  // depth() > 0.
  void pop();

  // Levels whose descriptor the chain holds now (for the tests).
  size_t open_levels() const;

 private:
  struct level {
    std::string name;
    folder_handle folder;  // null once let go
    dev_t dev = 0;         // identity, taken when the level is let go
    ino_t ino = 0;
  };
  void let_go(level* l);
  bool reopen(size_t index, int* error);

  std::vector<level> levels_;
};

#endif  // DIRGEN_LISTING_FOLDER_CHAIN_H_
