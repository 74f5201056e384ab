#include "value/kvarr.h"

#include <utility>

kvarr::kvarr(const kvarr& other)
    : values_(other.values_.begin() + other.head_, other.values_.end()),
      cursor_(other.cursor_) {}

kvarr& kvarr::operator=(const kvarr& other) {
  if (&other == this) return *this;
  values_.assign(other.values_.begin() + other.head_, other.values_.end());
  head_ = 0;
  cursor_ = other.cursor_;
  return *this;
}

kvarr::kvarr(kvarr&& other) noexcept
    : values_(std::move(other.values_)),
      head_(other.head_),
      cursor_(other.cursor_) {
  other.clear();
}

kvarr& kvarr::operator=(kvarr&& other) noexcept {
  if (&other == this) return *this;
  values_ = std::move(other.values_);
  head_ = other.head_;
  cursor_ = other.cursor_;
  other.clear();
  return *this;
}

void kvarr::push(kvval v) {
  rewind();
  values_.push_back(std::move(v));
}

void kvarr::unshift(kvval v) {
  rewind();
  if (head_ > 0) {
    values_[--head_] = std::move(v);
  } else {
    values_.insert(values_.begin(), std::move(v));
  }
}

bool kvarr::pop(kvval* dst) {
  rewind();
  if (empty()) return false;
  if (dst) {
    dst->take(values_.back());
  }
  values_.pop_back();
  if (values_.size() == head_) clear();
  return true;
}

bool kvarr::shift(kvval* dst) {
  rewind();
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

kvval& kvarr::at(const kvval& index) { return at(index.as_int()); }

kvval& kvarr::at(int32_t index) {
  if (index >= 0 && index < size()) return (*this)[index];
  push(kvval());
  // A derived push may have declined the value; the list still answers.
  if (empty()) kvarr::push(kvval());
  return values_.back();
}

void kvarr::rewind() { cursor_ = 0; }

bool kvarr::next(kvval* value, kvval* index) {
  if (cursor_ < 0 || cursor_ >= size()) return false;
  if (index) *index = kvval(cursor_);
  if (value) value->assign((*this)[cursor_]);
  ++cursor_;
  return true;
}

void kvarr::clear() {
  values_.clear();
  head_ = 0;
  cursor_ = 0;
}
