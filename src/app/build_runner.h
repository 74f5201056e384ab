// One build on a worker thread, for the main window. The worker runs the
// build on its own copy of the settings (whose texts share their bytes with
// the window's record, which variant allows across threads) and stores the
// outcome under a lock; the window thread polls for it from a timer and so
// keeps painting, reads the running counts and may ask the build to stop.
// Only one build runs at a time: two builds of one record would write the
// same listing files at once.
#ifndef DIRGEN_APP_BUILD_RUNNER_H_
#define DIRGEN_APP_BUILD_RUNNER_H_

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "listing/build.h"
#include "project/data_tables.h"
#include "project/settings_record.h"

class build_runner : private build_progress {
 public:
  // Starts the build of settings (copied) with formatter (borrowed: it must
  // outlive the runner and stay unchanged) and the data folder (ending in
  // "/") as the template folder, on a thread with the default stack size.
  build_runner(const settings_record& settings, const data_tables* formatter,
               std::string data_folder);
  // Waits for the worker when it is still running.
  ~build_runner() override;
  build_runner(const build_runner&) = delete;
  build_runner& operator=(const build_runner&) = delete;

  // True once the build has finished, with its outcome in *outcome; false
  // while it runs. Reads the shared outcome under the lock.
  bool finished(build_outcome* outcome);

  // Entries found (or read from an archive) and bytes written so far.
  int64_t entries() const { return entries_.load(); }
  int64_t bytes() const { return bytes_.load(); }

  // Asks the build to stop before its next entry; it then ends with
  // kBuildCancelled and leaves every earlier listing as it was.
  void cancel() { cancel_.store(true); }
  bool cancelling() const { return cancel_.load(); }

 private:
  void run();
  // build_progress, called on the worker thread.
  void on_progress(int64_t folders_scanned, int64_t entries_found,
                   int64_t bytes_written) override;
  bool cancel_requested() override { return cancel_.load(); }

  settings_record settings_;
  const data_tables* formatter_;
  std::string data_folder_;
  std::atomic<int64_t> entries_{0};
  std::atomic<int64_t> bytes_{0};
  std::atomic<bool> cancel_{false};
  std::mutex mu_;
  bool done_ = false;  // guarded by mu_; both written once by the worker
  build_outcome outcome_;
  std::thread worker_;  // last: starts after every member above is ready
};

#endif  // DIRGEN_APP_BUILD_RUNNER_H_
