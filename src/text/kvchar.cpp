#include "text/kvchar.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

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

kvchar::~kvchar() { std::free(buffer_); }

kvchar::kvchar(const kvchar& other) { assign(other); }

kvchar& kvchar::operator=(const kvchar& other) {
  assign(other);
  return *this;
}

kvchar::kvchar(kvchar&& other) noexcept { take(other); }

kvchar& kvchar::operator=(kvchar&& other) noexcept {
  take(other);
  return *this;
}

kvchar::kvchar(std::string_view bytes) {
  assign_bytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void kvchar::take(kvchar& other) {
  if (&other == this) return;
  std::free(buffer_);
  buffer_ = other.buffer_;
  capacity_ = other.capacity_;
  length_ = other.length_;
  other.buffer_ = nullptr;
  other.capacity_ = 0;
  other.length_ = 0;
}

void kvchar::reset(int32_t n) {
  std::free(buffer_);
  buffer_ = nullptr;
  capacity_ = 0;
  length_ = 0;
  if (n <= 0) return;
  capacity_ = grown_capacity(n);
  buffer_ = static_cast<char*>(std::malloc(capacity_));
  length_ = n;
}

void kvchar::grow_to(int32_t n) {
  if (buffer_ && n <= capacity_) return;
  int32_t cap = grown_capacity(n);
  buffer_ = static_cast<char*>(std::realloc(buffer_, cap));
  capacity_ = cap;
}

void kvchar::set_length(int32_t n) {
  if (n < 0 || n == length_) return;
  if (n > capacity_) grow_to(n);
  length_ = n;
}

void kvchar::append_byte(char ch) {
  if (!buffer_) {
    buffer_ = static_cast<char*>(std::malloc(3));
    capacity_ = 3;
    length_ = 0;
  } else if (length_ >= capacity_) {
    capacity_ = length_ + length_ / 16 + 3;
    buffer_ = static_cast<char*>(std::realloc(buffer_, capacity_));
  }
  buffer_[length_++] = ch;
}

const char* kvchar::c_str() {
  append_byte('\0');
  --length_;
  return buffer_;
}

void kvchar::assign_cstr(const char* s) {
  if (!s) {
    reset(0);
    return;
  }
  assign_bytes(s, static_cast<int32_t>(std::strlen(s)));
}

void kvchar::assign(const kvchar& other) {
  if (&other == this) return;
  assign_bytes(other.buffer_, other.length_);
}

void kvchar::assign_bytes(const char* p, int32_t n) {
  if (!p || n <= 0) {
    reset(0);
    return;
  }
  // Build the new buffer before freeing the old one: p may point into it.
  kvchar fresh;
  fresh.reset(n);
  std::memcpy(fresh.buffer_, p, n);
  take(fresh);
}

void kvchar::append_cstr(const char* s) {
  if (!s || !*s) return;
  append_bytes(s, static_cast<int32_t>(std::strlen(s)));
}

void kvchar::append_bytes(const char* p, int32_t n) {
  if (!p || n <= 0) return;
  // p may point into this buffer, which growing can move: copy it first.
  if (buffer_ && p >= buffer_ && p < buffer_ + capacity_ &&
      length_ + n > capacity_) {
    kvchar copy(std::string_view(p, n));
    append_bytes(copy.buffer_, n);
    return;
  }
  int32_t old = length_;
  set_length(old + n);
  std::memmove(buffer_ + old, p, n);
}

void kvchar::append(const kvchar& other) {
  if (other.length_ == 0) return;
  append_bytes(other.buffer_, other.length_);
}

int32_t kvchar::find(const kvchar& pattern, int32_t start) const {
  if (start < 0 || start >= length_ || pattern.length_ == 0 ||
      pattern.length_ > length_) {
    return -1;
  }
  size_t pos = view().find(pattern.view(), start);
  return pos == std::string_view::npos ? -1 : static_cast<int32_t>(pos);
}

int32_t kvchar::rfind(const kvchar& pattern) const {
  if (pattern.length_ == 0 || pattern.length_ > length_) return -1;
  size_t pos = view().rfind(pattern.view());
  return pos == std::string_view::npos ? -1 : static_cast<int32_t>(pos);
}

int32_t kvchar::find_byte(char ch, int32_t start) const {
  if (start < 0 || start >= length_) return -1;
  const void* hit = std::memchr(buffer_ + start, ch, length_ - start);
  return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - buffer_)
             : -1;
}

int32_t kvchar::compare(const kvchar& a, const kvchar& b) {
  if (a.length_ == 0 || b.length_ == 0) return a.length_ - b.length_;
  int32_t n = a.length_ < b.length_ ? a.length_ : b.length_;
  const unsigned char* pa = reinterpret_cast<const unsigned char*>(a.buffer_);
  const unsigned char* pb = reinterpret_cast<const unsigned char*>(b.buffer_);
  for (int32_t i = 0; i < n; ++i) {
    if (pa[i] != pb[i]) return static_cast<int32_t>(pa[i]) - pb[i];
  }
  return a.length_ - b.length_;
}

void kvchar::replace_byte(char a, char b) {
  for (int32_t i = 0; i < length_; ++i) {
    if (buffer_[i] == a) buffer_[i] = b;
  }
}

void kvchar::replace_byte_with(char a, const kvchar& s) {
  int32_t k = 0;
  for (int32_t i = 0; i < length_; ++i) k += buffer_[i] == a;
  if (k == 0) return;
  kvchar old;
  old.take(*this);
  kvchar with(s);  // s may be this string
  reset(old.length_ + k * (with.length_ - 1));
  char* out = buffer_;
  for (int32_t i = 0; i < old.length_; ++i) {
    if (old.buffer_[i] == a) {
      if (with.length_) std::memcpy(out, with.buffer_, with.length_);
      out += with.length_;
    } else {
      *out++ = old.buffer_[i];
    }
  }
}

void kvchar::replace_with_byte(const kvchar& pattern, char ch) {
  if (pattern.length_ == 0) return;
  kvchar pat(pattern);  // pattern may be this string
  kvchar old;
  old.take(*this);
  reset(old.length_);
  std::string_view src = old.view();
  std::string_view p = pat.view();
  int32_t out = 0;
  size_t i = 0;
  for (size_t pos = src.find(p); pos != std::string_view::npos;
       pos = src.find(p, i)) {
    std::memcpy(buffer_ + out, src.data() + i, pos - i);
    out += static_cast<int32_t>(pos - i);
    buffer_[out++] = ch;
    i = pos + p.size();
  }
  if (i < src.size())
    std::memcpy(buffer_ + out, src.data() + i, src.size() - i);
  out += static_cast<int32_t>(src.size() - i);
  length_ = out;
}

void kvchar::replace(const kvchar& pattern, const kvchar& s) {
  int32_t k = count_occurrences(view(), pattern.view());
  if (k == 0) return;
  kvchar pat(pattern);  // either argument may be this string
  kvchar with(s);
  kvchar old;
  old.take(*this);
  set_length(old.length_ + k * (with.length_ - pat.length_));
  if (length_ == 0) return;  // every byte was part of a removed occurrence
  std::string_view src = old.view();
  std::string_view p = pat.view();
  char* out = buffer_;
  size_t i = 0;
  for (size_t pos = src.find(p); pos != std::string_view::npos;
       pos = src.find(p, i)) {
    std::memcpy(out, src.data() + i, pos - i);
    out += pos - i;
    if (with.length_) std::memcpy(out, with.buffer_, with.length_);
    out += with.length_;
    i = pos + p.size();
  }
  if (i < src.size()) std::memcpy(out, src.data() + i, src.size() - i);
}

void kvchar::to_crlf() {
  replace_byte_with('\r', kvchar());
  replace_byte_with('\n', kvchar(std::string_view("\r\n")));
}

int32_t kvchar::hex_value() const {
  uint32_t v = 0;
  for (int32_t i = 0; i < length_; ++i) {
    char c = buffer_[i];
    uint32_t d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else {
      return 0;
    }
    v = v * 16 + d;
  }
  return static_cast<int32_t>(v);
}
