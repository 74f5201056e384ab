#include "markup/interrupt_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "markup/long_path.h"

namespace {

// Slots are allocated in chunks that are published once and never moved, so
// the handler can walk them without a lock. kMaxChunks * kSlotsPerChunk
// bounds the temporary files registered at once (a per-folder build stages
// one per folder); past it a file is simply not registered.
constexpr size_t kSlotsPerChunk = 256;
constexpr size_t kMaxChunks = 4096;

struct slot {
  std::atomic<bool> in_use{false};
  std::atomic<char*> path{nullptr};
  size_t capacity = 0;  // guarded by registry_lock
};

struct chunk {
  slot slots[kSlotsPerChunk];
};

std::atomic<chunk*> chunks[kMaxChunks];
std::atomic<size_t> chunks_made{0};

std::mutex registry_lock;
// Guarded by registry_lock: released slots, the slots handed out, and
// buffers outgrown by their slot (kept, since a handler may be reading one).
std::vector<size_t>* free_slots = nullptr;
size_t slots_made = 0;
size_t slots_in_use = 0;
std::vector<std::unique_ptr<char[]>>* outgrown = nullptr;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

slot& slot_at(size_t index) {
  return chunks[index / kSlotsPerChunk].load(std::memory_order_acquire)
      ->slots[index % kSlotsPerChunk];
}

// Async-signal-safe: only atomics, unlink_path (long_path.h) and raise.
void remove_and_reraise(int sig) {
  const int saved = errno;
  const size_t made = chunks_made.load(std::memory_order_acquire);
  for (size_t c = 0; c < made; ++c) {
    chunk* ch = chunks[c].load(std::memory_order_acquire);
    if (!ch) continue;
    for (slot& s : ch->slots) {
      if (!s.in_use.load(std::memory_order_acquire)) continue;
      const char* path = s.path.load(std::memory_order_acquire);
      if (path) unlink_path(path);
    }
  }
  errno = saved;
  // SA_RESETHAND restored the default action and SA_NODEFER left the
  // signal unblocked: this ends the process as the signal would have.
  raise(sig);
}

}  // namespace

void install_interrupt_cleanup() {
  for (int sig : kSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0) continue;
    if (old.sa_handler == SIG_IGN || old.sa_handler == remove_and_reraise) {
      continue;
    }
    struct sigaction act {};
    act.sa_handler = remove_and_reraise;
    sigemptyset(&act.sa_mask);
    act.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigaction(sig, &act, nullptr);
  }
}

size_t register_temporary_file(const std::string& path) {
  std::lock_guard<std::mutex> lock(registry_lock);
  if (!free_slots) {
    free_slots = new std::vector<size_t>;
    outgrown = new std::vector<std::unique_ptr<char[]>>;
  }
  size_t index;
  if (!free_slots->empty()) {
    index = free_slots->back();
    free_slots->pop_back();
  } else {
    if (slots_made == kSlotsPerChunk * kMaxChunks) return kNoRegistration;
    index = slots_made++;
    if (index % kSlotsPerChunk == 0) {
      chunks[index / kSlotsPerChunk].store(new chunk,
                                           std::memory_order_release);
      chunks_made.store(index / kSlotsPerChunk + 1, std::memory_order_release);
    }
  }
  slot& s = slot_at(index);
  if (s.capacity < path.size() + 1) {
    size_t capacity = std::max<size_t>(256, path.size() + 1);
    char* buffer = new char[capacity];
    if (char* old = s.path.load(std::memory_order_relaxed)) {
      outgrown->emplace_back(old);
    }
    s.path.store(buffer, std::memory_order_release);
    s.capacity = capacity;
  }
  char* buffer = s.path.load(std::memory_order_relaxed);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  s.in_use.store(true, std::memory_order_release);
  ++slots_in_use;
  return index;
}

void release_temporary_file(size_t registration) {
  if (registration == kNoRegistration) return;
  std::lock_guard<std::mutex> lock(registry_lock);
  slot_at(registration).in_use.store(false, std::memory_order_release);
  free_slots->push_back(registration);
  --slots_in_use;
}

size_t registered_temporary_files() {
  std::lock_guard<std::mutex> lock(registry_lock);
  return slots_in_use;
}
