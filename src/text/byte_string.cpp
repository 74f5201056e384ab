#include "text/byte_string.h"

#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "text/out_of_memory.h"

namespace {

// The capacity the first append_byte() gives an empty string.
constexpr int32_t kFirstAppendCapacity = 3;

// Capacity for a buffer that must hold n bytes (growth and reset rule).
int32_t grown_capacity(int32_t n) { return n + n / 16 + 2; }

// Counts the non-overlapping occurrences of pattern in text, left to right.
int32_t count_occurrences(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return 0;
  int32_t k = 0;
  size_t pos = text.find(pattern);
  while (pos != std::string_view::npos) {
    ++k;
    pos = text.find(pattern, pos + pattern.size());
  }
  return k;
}

}  // namespace

byte_string::~byte_string() { release(block_); }

void byte_string::release(header* block) {
  if (!block) return;
  std::atomic_ref<int32_t> refs(block->refs);
  if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1) std::free(block);
}

void byte_string::unshare(int32_t keep) {
  if (!block_) return;
  std::atomic_ref<int32_t> refs(block_->refs);
  if (refs.load(std::memory_order_acquire) == 1) return;
  header* own = allocate(block_->capacity);
  int32_t length = block_->length;
  int32_t copied = keep >= 0 && keep < length ? keep : length;
  std::memcpy(bytes_of(own), bytes_of(block_), copied);
  release(block_);
  block_ = own;
  set_raw_length(length);
}

char* byte_string::data() {
  if (!block_) return nullptr;
  unshare();
  return bytes_of(block_);
}

byte_string::byte_string(const byte_string& other) { assign(other); }

byte_string& byte_string::operator=(const byte_string& other) {
  assign(other);
  return *this;
}

byte_string::byte_string(byte_string&& other) noexcept { take(other); }

byte_string& byte_string::operator=(byte_string&& other) noexcept {
  take(other);
  return *this;
}

byte_string::byte_string(std::string_view bytes) {
  assign_bytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

byte_string::header* byte_string::allocate(int32_t capacity) {
  auto* h = static_cast<header*>(std::malloc(block_size(capacity)));
  if (!h) out_of_memory();
  h->capacity = capacity;
  h->length = 0;
  h->refs = 1;
  bytes_of(h)[0] = '\0';
  return h;
}

byte_string::header* byte_string::reallocate(header* h, int32_t capacity) {
  auto* grown = static_cast<header*>(std::realloc(h, block_size(capacity)));
  if (!grown) out_of_memory();
  grown->capacity = capacity;
  return grown;
}

void byte_string::set_raw_length(int32_t n) {
  assert(block_ && n >= 0 && n <= block_->capacity);
  block_->length = n;
  bytes_of(block_)[n] = '\0';
}

void byte_string::take(byte_string& other) {
  if (&other == this) return;
  release(block_);
  block_ = other.block_;
  other.block_ = nullptr;
}

void byte_string::reset(int32_t n) {
  release(block_);
  block_ = nullptr;
  if (n <= 0) return;
  block_ = allocate(grown_capacity(n));
  set_raw_length(n);
}

void byte_string::grow_to(int32_t n) {
  if (block_ && n <= block_->capacity) return;
  unshare();
  int32_t cap = grown_capacity(n);
  if (!block_) {
    block_ = allocate(cap);
  } else {
    block_ = reallocate(block_, cap);
  }
}

void byte_string::set_length(int32_t n) {
  if (n < 0 || n == length()) return;
  unshare(n);
  if (n > capacity()) grow_to(n);
  set_raw_length(n);
}

void byte_string::append_byte(char ch) {
  unshare();
  if (!block_) {
    block_ = allocate(kFirstAppendCapacity);
  } else if (block_->length >= block_->capacity) {
    int32_t len = block_->length;
    block_ = reallocate(block_, len + len / 16 + 3);
  }
  bytes_of(block_)[block_->length] = ch;
  set_raw_length(block_->length + 1);
}

void byte_string::assign_cstr(const char* s) {
  if (!s) {
    reset(0);
    return;
  }
  assign_bytes(s, static_cast<int32_t>(std::strlen(s)));
}

void byte_string::assign(const byte_string& other) {
  if (&other == this || other.block_ == block_) return;
  header* b = other.block_;
  if (b && b->length > 0 && b->capacity == grown_capacity(b->length)) {
    // A copy would get exactly this block's capacity: share it.
    std::atomic_ref<int32_t>(b->refs).fetch_add(1, std::memory_order_relaxed);
    release(block_);
    block_ = b;
    return;
  }
  assign_bytes(other.data(), other.length());
}

void byte_string::assign_bytes(const char* p, int32_t n) {
  if (!p || n <= 0) {
    reset(0);
    return;
  }
  // Build the new buffer before freeing the old one: p may point into it.
  byte_string fresh;
  fresh.reset(n);
  std::memcpy(fresh.data(), p, n);
  take(fresh);
}

void byte_string::append_cstr(const char* s) {
  if (!s || !*s) return;
  append_bytes(s, static_cast<int32_t>(std::strlen(s)));
}

void byte_string::append_bytes(const char* p, int32_t n) {
  if (!p || n <= 0) return;
  // p may point into this buffer, which growing can move: copy it first.
  const char* mine = data();
  if (mine && p >= mine && p < mine + capacity() && length() + n > capacity()) {
    byte_string copy(std::string_view(p, n));
    append_bytes(copy.data(), n);
    return;
  }
  int32_t old = length();
  set_length(old + n);
  std::memmove(data() + old, p, n);
}

void byte_string::append(const byte_string& other) {
  if (other.length() == 0) return;
  append_bytes(other.data(), other.length());
}

int32_t byte_string::find(const byte_string& pattern, int32_t start) const {
  if (start < 0 || start >= length() || pattern.length() == 0 ||
      pattern.length() > length()) {
    return -1;
  }
  size_t pos = view().find(pattern.view(), start);
  return pos == std::string_view::npos ? -1 : static_cast<int32_t>(pos);
}

int32_t byte_string::find_byte(char ch, int32_t start) const {
  if (start < 0 || start >= length()) return -1;
  const void* hit = std::memchr(data() + start, ch, length() - start);
  return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - data())
             : -1;
}

int32_t byte_string::compare(const byte_string& a, const byte_string& b) {
  if (a.length() == 0 || b.length() == 0) return a.length() - b.length();
  int32_t n = a.length() < b.length() ? a.length() : b.length();
  const unsigned char* pa = reinterpret_cast<const unsigned char*>(a.data());
  const unsigned char* pb = reinterpret_cast<const unsigned char*>(b.data());
  for (int32_t i = 0; i < n; ++i) {
    if (pa[i] != pb[i]) return static_cast<int32_t>(pa[i]) - pb[i];
  }
  return a.length() - b.length();
}

void byte_string::replace_byte(char a, char b) {
  if (view().find(a) == std::string_view::npos) return;  // keep sharing
  char* p = data();
  for (int32_t i = 0; i < length(); ++i) {
    if (p[i] == a) p[i] = b;
  }
}

void byte_string::replace_byte_with(char a, const byte_string& s) {
  int32_t k = 0;
  for (char c : view()) k += c == a;
  if (k == 0) return;
  byte_string with(s);  // s may be this string: copy it before this one changes
  byte_string old;
  old.take(*this);
  reset(old.length() + k * (with.length() - 1));
  char* out = data();
  for (int32_t i = 0; i < old.length(); ++i) {
    if (old.data()[i] == a) {
      if (with.length()) std::memcpy(out, with.data(), with.length());
      out += with.length();
    } else {
      *out++ = old.data()[i];
    }
  }
}

void byte_string::replace_with_byte(const byte_string& pattern, char ch) {
  if (pattern.length() == 0 || length() == 0) return;  // no block to write
  byte_string pat(pattern);  // pattern may be this string
  byte_string old;
  old.take(*this);
  reset(old.length());
  std::string_view src = old.view();
  std::string_view p = pat.view();
  int32_t out = 0;
  size_t i = 0;
  for (size_t pos = src.find(p); pos != std::string_view::npos;
       pos = src.find(p, i)) {
    std::memcpy(data() + out, src.data() + i, pos - i);
    out += static_cast<int32_t>(pos - i);
    data()[out++] = ch;
    i = pos + p.size();
  }
  if (i < src.size()) std::memcpy(data() + out, src.data() + i, src.size() - i);
  out += static_cast<int32_t>(src.size() - i);
  set_raw_length(out);
}

void byte_string::replace(const byte_string& pattern, const byte_string& s) {
  int32_t k = count_occurrences(view(), pattern.view());
  if (k == 0) return;
  byte_string pat(pattern);  // either argument may be this string
  byte_string with(s);
  byte_string old;
  old.take(*this);
  set_length(old.length() + k * (with.length() - pat.length()));
  if (length() == 0) return;  // every byte was part of a removed occurrence
  std::string_view src = old.view();
  std::string_view p = pat.view();
  char* out = data();
  size_t i = 0;
  for (size_t pos = src.find(p); pos != std::string_view::npos;
       pos = src.find(p, i)) {
    std::memcpy(out, src.data() + i, pos - i);
    out += pos - i;
    if (with.length()) std::memcpy(out, with.data(), with.length());
    out += with.length();
    i = pos + p.size();
  }
  if (i < src.size()) std::memcpy(out, src.data() + i, src.size() - i);
}
