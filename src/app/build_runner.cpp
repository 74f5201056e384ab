#include "app/build_runner.h"

#include <utility>

#include "listing/build.h"

build_runner::build_runner(const dirgen_project& settings,
                           const dirgen_formatter* formatter,
                           std::string data_folder)
    : settings_(settings),
      formatter_(formatter),
      data_folder_(std::move(data_folder)),
      worker_(&build_runner::run, this) {}

build_runner::~build_runner() {
  if (worker_.joinable()) worker_.join();
}

bool build_runner::finished(int* code) {
  std::lock_guard<std::mutex> lock(mu_);
  if (done_) *code = code_;
  return done_;
}

void build_runner::run() {
  int code = run_build(settings_, *formatter_, data_folder_, nullptr).code;
  std::lock_guard<std::mutex> lock(mu_);
  code_ = code;
  done_ = true;
}
