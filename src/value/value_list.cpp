#include "value/value_list.h"

#include <utility>

value_list::value_list(const value_list& other)
    : values_(other.values_.begin() + other.head_, other.values_.end()) {}

value_list& value_list::operator=(const value_list& other) {
  if (&other == this) return *this;
  values_.assign(other.values_.begin() + other.head_, other.values_.end());
  head_ = 0;
  return *this;
}

value_list::value_list(value_list&& other) noexcept
    : values_(std::move(other.values_)), head_(other.head_) {
  other.clear();
}

value_list& value_list::operator=(value_list&& other) noexcept {
  if (&other == this) return *this;
  values_ = std::move(other.values_);
  head_ = other.head_;
  other.clear();
  return *this;
}

void value_list::push(variant v) { values_.push_back(std::move(v)); }

bool value_list::shift(variant* dst) {
  if (empty()) return false;
  if (dst) dst->take(values_[head_]);
  values_[head_] = variant();  // free the text now
  ++head_;
  compact();
  return true;
}

void value_list::compact() {
  if (head_ == values_.size()) {
    values_.clear();
    head_ = 0;
  } else if (head_ >= 64 && head_ * 2 >= values_.size()) {
    values_.erase(values_.begin(), values_.begin() + head_);
    head_ = 0;
  }
}

void value_list::clear() {
  values_.clear();
  head_ = 0;
}
