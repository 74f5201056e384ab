// kvarr: an ordered list of kvval with a built-in read cursor.
//
// Template variables are lists (a scalar is a list of one value); the markup
// readers derive from kvarr and use it as their queue of input chunks, which
// is why push() is virtual. Values are held in an indexed container, so at()
// is O(1) and shift() is amortised O(1).
#ifndef DIRGEN_VALUE_KVARR_H_
#define DIRGEN_VALUE_KVARR_H_

#include <cstdint>
#include <vector>

#include "value/kvval.h"
#include "value/list_allocator.h"

class kvarr {
 public:
  kvarr() = default;
  virtual ~kvarr() = default;
  kvarr(const kvarr& other);
  kvarr& operator=(const kvarr& other);
  kvarr(kvarr&& other) noexcept;
  kvarr& operator=(kvarr&& other) noexcept;

  // rewind(), then appends v at the end (moved in: pass std::move(x) to leave
  // the caller's text empty, as the readers do).
  virtual void push(kvval v);
  // rewind(), then inserts v at the front.
  void unshift(kvval v);
  // rewind(); false when empty (dst unchanged); else moves the last / first
  // value into *dst and removes it.
  bool pop(kvval* dst);
  bool shift(kvval* dst);
  // The value at index.as_int(). Out of range (negative or >= size): push()es
  // a new integer 0 through the virtual slot and returns it.
  kvval& at(const kvval& index);
  kvval& at(int32_t index);
  // Cursor: rewind() puts it on the first value (cursor index 0). next()
  // returns false at the end (destinations unchanged); otherwise copies the
  // cursor's value (and its index as an integer) and advances.
  void rewind();
  bool next(kvval* value, kvval* index = nullptr);
  int32_t cursor_index() const { return cursor_; }
  int32_t size() const { return static_cast<int32_t>(values_.size() - head_); }
  bool empty() const { return size() == 0; }
  // Removes every value; cursor index 0.
  void clear();

  // Direct read access. REQUIRES: 0 <= i < size().
  const kvval& operator[](int32_t i) const { return values_[head_ + i]; }
  kvval& operator[](int32_t i) { return values_[head_ + i]; }
  // Reserves room for n values (no observable effect).
  void reserve(int32_t n) { values_.reserve(head_ + n); }

 private:
  void compact();  // drops the shifted-out prefix when it grows large

  std::vector<kvval, list_allocator<kvval>> values_;
  size_t head_ = 0;      // values_[0 .. head_) have been shifted out
  int32_t cursor_ = -1;  // index of the next value next() reads; -1 when new
};

#endif  // DIRGEN_VALUE_KVARR_H_
