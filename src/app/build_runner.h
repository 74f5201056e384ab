// One build on a worker thread, for the main window. The worker runs the
// build on its own copy of the settings (whose texts share their bytes with
// the window's record, which kvval allows across threads) and stores the
// result code under a lock; the window thread polls for it from a timer and
// so keeps painting. Only one build runs at a time: two builds of one record
// would write the same listing files at once.
#ifndef DIRGEN_APP_BUILD_RUNNER_H_
#define DIRGEN_APP_BUILD_RUNNER_H_

#include <mutex>
#include <string>
#include <thread>

#include "project/dirgen_formatter.h"
#include "project/dirgen_project.h"

class build_runner {
 public:
  // Starts the build of settings (copied) with formatter (borrowed: it must
  // outlive the runner and stay unchanged) and the data folder (ending in
  // "/") as the template folder, on a thread with the default stack size.
  build_runner(const dirgen_project& settings,
               const dirgen_formatter* formatter, std::string data_folder);
  // Waits for the worker when it is still running.
  ~build_runner();
  build_runner(const build_runner&) = delete;
  build_runner& operator=(const build_runner&) = delete;

  // True once the build has finished, with its result code in *code; false
  // while it runs. Reads the shared result under the lock.
  bool finished(int* code);

 private:
  void run();

  dirgen_project settings_;
  const dirgen_formatter* formatter_;
  std::string data_folder_;
  std::mutex mu_;
  bool done_ = false;  // guarded by mu_; both written once by the worker
  int code_ = -1;
  std::thread worker_;  // last: starts after every member above is ready
};

#endif  // DIRGEN_APP_BUILD_RUNNER_H_
