#include "markup/markup_input.h"

#include <utility>

void markup_input::push(variant chunk) {
  chunk.convert(VARIANT_TEXT);
  value_list::push(std::move(chunk));
}

bool markup_input::drain(variant* dst) {
  if (consumed_ <= 0) return false;
  variant spent;
  if (!shift(dst ? dst : &spent)) return false;
  --consumed_;
  return true;
}

bool markup_input::over_limit() const {
  uint64_t sum = 0;
  for (int32_t i = 0; i < size(); ++i) {
    sum += static_cast<uint32_t>((*this)[i].length());
    if (sum >= limit_) return true;
  }
  return false;
}

void markup_input::reset_input() {
  consumed_ = size();
  has_current_ = false;
  position_ = -1;
  end_of_input_ = false;
}

void markup_input::clear_input() {
  clear();
  consumed_ = 0;
  has_current_ = false;
  position_ = -1;
  end_of_input_ = false;
}
