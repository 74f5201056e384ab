// value_list: an ordered list of variant.
//
// Template variables are lists (a scalar is a list of one value); the markup
// readers derive from value_list and use it as their queue of input chunks,
// which is why push() is virtual. Values are held in an indexed container, so
// at() is O(1) and shift() is amortised O(1).
#ifndef DIRGEN_VALUE_VALUE_LIST_H_
#define DIRGEN_VALUE_VALUE_LIST_H_

#include <cassert>
#include <cstdint>
#include <vector>

#include "value/list_allocator.h"
#include "value/variant.h"

class value_list {
 public:
  value_list() = default;
  virtual ~value_list() = default;
  value_list(const value_list& other);
  value_list& operator=(const value_list& other);
  value_list(value_list&& other) noexcept;
  value_list& operator=(value_list&& other) noexcept;

  // Appends v at the end (moved in: pass std::move(x) to leave the caller's
  // text empty, as the readers do).
  virtual void push(variant v);
  // False when empty (dst unchanged); else moves the first value into *dst
  // (when dst is not null) and removes it.
  bool shift(variant* dst);
  int32_t size() const { return static_cast<int32_t>(values_.size() - head_); }
  bool empty() const { return size() == 0; }
  // Removes every value.
  void clear();

  // Direct access. REQUIRES: 0 <= i < size().
  const variant& operator[](int32_t i) const {
    assert(i >= 0 && i < size());
    return values_[head_ + i];
  }
  variant& operator[](int32_t i) {
    assert(i >= 0 && i < size());
    return values_[head_ + i];
  }
  // Reserves room for n values (no observable effect).
  void reserve(int32_t n) { values_.reserve(head_ + n); }

 private:
  void compact();  // drops the shifted-out prefix when it grows large

  std::vector<variant, list_allocator<variant>> values_;
  size_t head_ = 0;  // values_[0 .. head_) have been shifted out
};

#endif  // DIRGEN_VALUE_VALUE_LIST_H_
