#include "app/build_runner.h"

#include <utility>

build_runner::build_runner(const settings_record& settings,
                           const data_tables* formatter,
                           std::string data_folder)
    : settings_(settings),
      formatter_(formatter),
      data_folder_(std::move(data_folder)),
      worker_(&build_runner::run, this) {}

build_runner::~build_runner() {
  if (worker_.joinable()) worker_.join();
}

bool build_runner::finished(build_outcome* outcome) {
  std::lock_guard<std::mutex> lock(mu_);
  if (done_) *outcome = outcome_;
  return done_;
}

void build_runner::on_progress(int64_t, int64_t entries_found,
                               int64_t bytes_written) {
  entries_.store(entries_found);
  bytes_.store(bytes_written);
}

void build_runner::run() {
  build_outcome outcome = run_build(settings_, *formatter_, data_folder_, this);
  std::lock_guard<std::mutex> lock(mu_);
  outcome_ = std::move(outcome);
  done_ = true;
}
