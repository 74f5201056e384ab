#include "markup/kvparser.h"

#include <utility>

void kvparser::push(kvval chunk) {
  chunk.convert(KV_TEXT);
  kvarr::push(std::move(chunk));
}

bool kvparser::drain(kvval* dst) {
  if (consumed_ <= 0) return false;
  kvval spent;
  if (!shift(dst ? dst : &spent)) return false;
  --consumed_;
  return true;
}

bool kvparser::over_limit() const {
  uint64_t sum = 0;
  for (int32_t i = 0; i < size(); ++i) {
    sum += static_cast<uint32_t>((*this)[i].length());
    if (sum >= limit_) return true;
  }
  return false;
}

void kvparser::reset_input() {
  consumed_ = size();
  has_current_ = false;
  position_ = -1;
  end_of_input_ = false;
}

void kvparser::clear_input() {
  clear();
  consumed_ = 0;
  has_current_ = false;
  position_ = -1;
  end_of_input_ = false;
}
