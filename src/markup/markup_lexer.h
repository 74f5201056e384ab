// markup_lexer: reads the queued input of a markup_input byte by byte and
// counts lines and columns for error reports. The tokenizer
// (markup_tokenizer) derives from it.
#ifndef DIRGEN_MARKUP_MARKUP_LEXER_H_
#define DIRGEN_MARKUP_MARKUP_LEXER_H_

#include <cstdint>
#include <string_view>

#include "markup/markup_input.h"

class markup_lexer : public markup_input {
 public:
  // Line (from 1) and column of the byte read last. An LF counts as column 1
  // of the new line; the first byte of the input is column 1.
  int32_t line() const { return line_; }
  int32_t column() const { return column_; }

 protected:
  // read_byte() results when no byte is available: the input has ended
  // (end-of-input flag set) or more input is needed.
  static constexpr int kInputEnded = -1;
  static constexpr int kNeedInput = -2;

  // The next byte (0..255) or one of the two codes above. A chunk read to
  // its end stays current, so a chunk pushed later continues where reading
  // stopped.
  int read_byte() {
    if (has_current_ && position_ + 1 < current_length_) {
      unsigned char c = static_cast<unsigned char>(current_[++position_]);
      count(c);
      return c;
    }
    return read_byte_slow();
  }
  // The unread bytes of the current chunk (may be empty).
  std::string_view rest_of_chunk() const;
  // Marks the first n bytes of rest_of_chunk() as read, counting lines.
  void skip(int32_t n);
  // Re-reads the current chunk's address; call before reading after the
  // queue may have changed.
  void refresh_current();
  // Line 1, column 0, all input forgotten.
  void clear_lexer();

  int32_t line_ = 1;
  int32_t column_ = 0;

 private:
  int read_byte_slow();
  void load_chunk(int32_t index);
  void count(unsigned char c) {
    if (c == '\n') {
      ++line_;
      column_ = 1;
    } else {
      ++column_;
    }
  }

  const char* current_ = nullptr;  // bytes of the current chunk
  int32_t current_length_ = 0;
};

#endif  // DIRGEN_MARKUP_MARKUP_LEXER_H_
