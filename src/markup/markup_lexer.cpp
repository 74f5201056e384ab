#include "markup/markup_lexer.h"

#include <cstring>

void markup_lexer::load_chunk(int32_t index) {
  const variant& chunk = (*this)[index];
  std::string_view bytes = chunk.view();
  current_ = bytes.data();
  current_length_ = static_cast<int32_t>(bytes.size());
}

void markup_lexer::refresh_current() {
  if (has_current_ && consumed_ < size()) {
    load_chunk(consumed_);
  } else {
    has_current_ = false;
    current_ = nullptr;
    current_length_ = 0;
  }
}

int markup_lexer::read_byte_slow() {
  int no_byte = end_of_input_ ? kInputEnded : kNeedInput;
  if (!has_current_) {
    if (consumed_ >= size()) return no_byte;
    has_current_ = true;
    position_ = -1;
    load_chunk(consumed_);
  }
  while (position_ + 1 >= current_length_) {
    if (consumed_ + 1 >= size()) return no_byte;
    ++consumed_;
    position_ = -1;
    load_chunk(consumed_);
  }
  unsigned char c = static_cast<unsigned char>(current_[++position_]);
  count(c);
  return c;
}

std::string_view markup_lexer::rest_of_chunk() const {
  if (!has_current_ || position_ + 1 >= current_length_) return {};
  return std::string_view(current_ + position_ + 1,
                          current_length_ - position_ - 1);
}

void markup_lexer::skip(int32_t n) {
  if (n <= 0) return;
  const char* p = current_ + position_ + 1;
  const void* last_lf = nullptr;
  int32_t lines = 0;
  for (const char* q = p;
       (q = static_cast<const char*>(std::memchr(q, '\n', p + n - q))) !=
       nullptr;
       ++q) {
    ++lines;
    last_lf = q;
  }
  if (lines == 0) {
    column_ += n;
  } else {
    line_ += lines;
    column_ = static_cast<int32_t>(p + n - static_cast<const char*>(last_lf));
  }
  position_ += n;
}

void markup_lexer::clear_lexer() {
  clear_input();
  current_ = nullptr;
  current_length_ = 0;
  line_ = 1;
  column_ = 0;
}
