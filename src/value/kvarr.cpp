#include "value/kvarr.h"

#include <utility>

kvarr::kvarr(const kvarr& other)
    : values_(other.values_.begin() + other.head_, other.values_.end()) {}

kvarr& kvarr::operator=(const kvarr& other) {
  if (&other == this) return *this;
  values_.assign(other.values_.begin() + other.head_, other.values_.end());
  head_ = 0;
  return *this;
}

kvarr::kvarr(kvarr&& other) noexcept
    : values_(std::move(other.values_)), head_(other.head_) {
  other.clear();
}

kvarr& kvarr::operator=(kvarr&& other) noexcept {
  if (&other == this) return *this;
  values_ = std::move(other.values_);
  head_ = other.head_;
  other.clear();
  return *this;
}

void kvarr::push(kvval v) { values_.push_back(std::move(v)); }

bool kvarr::shift(kvval* dst) {
  if (empty()) return false;
  if (dst) dst->take(values_[head_]);
  values_[head_] = kvval();  // free the text now
  ++head_;
  compact();
  return true;
}

void kvarr::compact() {
  if (head_ == values_.size()) {
    values_.clear();
    head_ = 0;
  } else if (head_ >= 64 && head_ * 2 >= values_.size()) {
    values_.erase(values_.begin(), values_.begin() + head_);
    head_ = 0;
  }
}

void kvarr::clear() {
  values_.clear();
  head_ = 0;
}
