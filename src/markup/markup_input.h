// markup_input: the input-chunk bookkeeping shared by every markup reader.
//
// A reader is a value_list whose values are the queued input chunks. Callers
// push() chunks as they read them, call the reader's parse() after each one,
// and drain() the chunks that have been read completely. The limit caps the
// bytes queued at once. Used by markup_lexer and, through it, markup_tokenizer,
// markup_reader and template_interpreter.
#ifndef DIRGEN_MARKUP_MARKUP_INPUT_H_
#define DIRGEN_MARKUP_MARKUP_INPUT_H_

#include <cstddef>
#include <cstdint>

#include "value/value_list.h"
#include "value/variant.h"

// The limit of the settings reader and the template interpreter: no settings
// file, data table or single template tag is anywhere near this large, and
// it keeps a hostile input from making a reader queue gigabytes.
constexpr uint32_t kMaxQueuedMarkup = 16 * 1024 * 1024;

// The size of the reads that feed a file to a reader (settings files, data
// tables, templates): 8092, not 8192, because it is the size these files
// have always been read in, and where a read ends can show: a settings file
// over the limit fails at the first chunk boundary past it, and its "size
// exceeded." report names the position reached there.
constexpr size_t kMarkupReadChunk = 8092;

class markup_input : public value_list {
 public:
  markup_input() = default;
  markup_input(const markup_input&) = delete;
  markup_input& operator=(const markup_input&) = delete;

  // Queues chunk (read as text) behind the chunks already queued.
  void push(variant chunk) override;
  // When the chunk at the front has been read completely: moves it into *dst
  // and returns true. Otherwise false. Call until it returns false.
  bool drain(variant* dst);

  // Tells the reader that the queued chunks are all the input there is.
  void set_end_of_input(bool end) { end_of_input_ = end; }
  bool end_of_input() const { return end_of_input_; }
  // Most bytes of queued input a parse accepts (65536 by default).
  void set_limit(uint32_t limit) { limit_ = limit; }
  uint32_t limit() const { return limit_; }

 protected:
  // True when the queued chunks together reach the limit.
  bool over_limit() const;
  // Every queued chunk counts as read; no current chunk; end flag cleared.
  void reset_input();
  // Forgets all input and bookkeeping (queue emptied).
  void clear_input();

  uint32_t limit_ = 65536;
  bool end_of_input_ = false;
  int32_t consumed_ = 0;      // chunks at the front read completely
  int32_t position_ = -1;     // index of the byte read last in the current
  bool has_current_ = false;  // current chunk is (*this)[consumed_]
};

#endif  // DIRGEN_MARKUP_MARKUP_INPUT_H_
