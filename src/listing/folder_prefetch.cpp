#include "listing/folder_prefetch.h"

#include <algorithm>
#include <cassert>
#include <utility>

struct folder_prefetch::job {
  enum class state { queued, running, done };
  std::string name;
  std::weak_ptr<const open_folder> parent;
  state now = state::queued;
  prefetched_folder result;
};

int folder_prefetch::default_helpers() {
  int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, kMaxHelpers);
}

folder_prefetch::folder_prefetch(int helpers, const char* pattern)
    : pattern_(pattern) {
  for (int i = 0; i < helpers; ++i) helpers_.emplace_back([this] { help(); });
}

folder_prefetch::~folder_prefetch() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void folder_prefetch::announce(const folder_handle& parent,
                               std::vector<std::string> names) {
  if (names.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
      auto j = std::make_unique<job>();
      j->name = std::move(*it);
      j->parent = parent;
      stack_.push_back(std::move(j));
    }
  }
  work_.notify_all();
}

// The topmost queued job within kWindow of the top whose parent is still
// open; null when there is none or enough have been read ahead.
folder_prefetch::job* folder_prefetch::next_job() {
  if (ahead_ >= kMaxAhead || ahead_entries_ > kMaxAheadEntries) return nullptr;
  const size_t window = std::min(stack_.size(), kWindow);
  for (size_t i = 0; i < window; ++i) {
    job* j = stack_[stack_.size() - 1 - i].get();
    if (j->now == job::state::queued && !j->parent.expired()) return j;
  }
  return nullptr;
}

void folder_prefetch::read(job* j, const folder_handle& parent) {
  prefetched_folder& r = j->result;
  r.folder = open_subfolder(parent->fd(), j->name, &r.error);
  if (r.folder) r.read_ok = read_folder(r.folder->fd(), pattern_, &r.read,
                                        &r.error);
}

void folder_prefetch::help() {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    job* j = nullptr;
    folder_handle parent;
    work_.wait(lock, [&] {
      if (stop_) return true;
      while ((j = next_job()) != nullptr) {
        parent = j->parent.lock();
        if (parent) return true;
      }
      return false;
    });
    if (stop_) return;
    j->now = job::state::running;
    ++ahead_;
    lock.unlock();
    read(j, parent);
    parent.reset();
    lock.lock();
    j->now = job::state::done;
    ahead_entries_ += j->result.read.entries.size();
    done_.notify_all();
  }
}

void folder_prefetch::take(std::string_view name, folder_chain* chain,
                           prefetched_folder* out) {
  std::unique_ptr<job> j;
  {
    std::unique_lock<std::mutex> lock(mu_);
    assert(!stack_.empty() && stack_.back()->name == name);
    j = std::move(stack_.back());
    stack_.pop_back();
    if (j->now != job::state::queued) {
      done_.wait(lock, [&] { return j->now == job::state::done; });
      --ahead_;
      ahead_entries_ -= j->result.read.entries.size();
    }
  }
  work_.notify_all();
  if (j->now == job::state::queued) {
    ++read_by_walk_;
    prefetched_folder& r = j->result;
    folder_handle parent = chain->deepest(&r.error);
    if (parent) read(j.get(), parent);
  }
  *out = std::move(j->result);
}
