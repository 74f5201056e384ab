// folder_prefetch: helper threads that read folders ahead of a recursive
// walk, so that the system calls of reading a folder (its entries and one
// statx per entry) run on other cores while the walking thread turns the
// folders already read into nodes and listings.
//
// The walk is depth-first and in listing order. Whenever it has read a
// folder it announces the subfolders it will visit, in order; they come
// before everything announced earlier, so the announced folders form a
// stack whose top is always the next folder the walk visits. Helpers read
// among the kWindow folders at the top, never holding more than kMaxAhead
// folders (and about kMaxAheadEntries entries) beyond what the walk has
// taken, and the walk takes each folder's result in turn: it waits for a
// helper that is reading it, or reads it itself when no helper has started
// it. The result is therefore the same whatever the number of helpers,
// and with none every folder is read on the walking thread.
//
// A folder read ahead waits until the walk is back at its level: the
// subfolders announced meanwhile go on top of it. The window is narrow so
// that each level the walk is in keeps fewer than kWindow such folders, and
// the limit is wide so that they do not stop the helpers from reading the
// folders the walk needs next.
//
// Helpers open a subfolder relative to its parent's descriptor only while
// the walk's folder_chain still holds that parent; otherwise the walk
// reads it itself, through the chain. So at most kMaxAhead read-ahead
// folders hold a descriptor beside the chain's, whatever the tree.
//
// Threading: one walking thread calls announce() and take(); the helpers
// are this object's own and end, after at most the folder each is
// reading, when it is destroyed.
#ifndef DIRGEN_LISTING_FOLDER_PREFETCH_H_
#define DIRGEN_LISTING_FOLDER_PREFETCH_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "listing/folder_chain.h"
#include "listing/scan_folder.h"

// One folder of the walk, opened and read.
struct prefetched_folder {
  folder_handle folder;  // null when it could not be opened (error says why)
  bool read_ok = false;  // false when it could not be read (error says why)
  int error = 0;
  folder_read read;
};

class folder_prefetch {
 public:
  // How far from the top of the stack helpers look for a folder to read:
  // a few per helper keep them busy while the walk catches up.
  static constexpr size_t kWindow = 8;
  // Folders started and not yet taken, at most. Each holds one descriptor
  // and its entries.
  static constexpr size_t kMaxAhead = 64;
  // Entries of the folders read and not yet taken: no helper starts a
  // folder while they are more (a few hundred kilobytes; each helper may
  // add one folder of any size beyond).
  static constexpr size_t kMaxAheadEntries = 4096;
  // Helpers used when the caller does not say: one per core, at most this.
  static constexpr int kMaxHelpers = 4;
  static int default_helpers();

  // Starts helpers threads (0: none). pattern is borrowed and must outlive
  // this object.
  folder_prefetch(int helpers, const char* pattern);
  // Stops the helpers (each ends after the folder it is reading) and drops
  // everything not taken.
  ~folder_prefetch();
  folder_prefetch(const folder_prefetch&) = delete;
  folder_prefetch& operator=(const folder_prefetch&) = delete;

  // The walk will visit names, subfolders of parent, in this order, before
  // anything announced earlier.
  void announce(const folder_handle& parent, std::vector<std::string> names);

  // The next folder of the walk: opened and read by a helper, or here
  // through chain->deepest() (its parent) when none started it.
  // REQUIRES: name is the next folder announced and not taken; the chain's
  // deepest folder is its parent.
  void take(std::string_view name, folder_chain* chain, prefetched_folder* out);

  // Folders take() had to read itself since the start (for the tests).
  int64_t read_by_walk() const { return read_by_walk_; }

 private:
  struct job;
  void help();
  job* next_job();  // REQUIRES: mu_ held
  void read(job* j, const folder_handle& parent);

  const char* pattern_;
  std::mutex mu_;
  std::condition_variable work_;  // a job or stop_ for the helpers
  std::condition_variable done_;  // a job finished, for the walk
  std::vector<std::unique_ptr<job>> stack_;  // top: the walk's next folder
  size_t ahead_ = 0;  // jobs started and not yet taken
  size_t ahead_entries_ = 0;  // entries of the jobs done and not yet taken
  int64_t read_by_walk_ = 0;  // walking thread only
  bool stop_ = false;
  std::vector<std::thread> helpers_;
};

#endif  // DIRGEN_LISTING_FOLDER_PREFETCH_H_
