// markup_tokenizer: the incremental markup tokenizer.
//
// Fed text in chunks (push), it splits the input into text runs and tags,
// recognises each tag's kind from its first bytes and hands finished pieces
// to the hooks on_text, on_tag and on_end. Derived readers (markup_reader for
// settings and data files, template_interpreter for templates) choose the kinds
// they want; a tag of an unwanted kind is ordinary text for them. Chunks may
// end anywhere, even inside a keyword or a terminator.
#ifndef DIRGEN_MARKUP_MARKUP_TOKENIZER_H_
#define DIRGEN_MARKUP_MARKUP_TOKENIZER_H_

#include <array>
#include <cassert>
#include <cstdint>
#include <string_view>
#include <vector>

#include "markup/markup_lexer.h"
#include "markup/tag_description.h"
#include "value/name_table.h"
#include "value/variant.h"

// Tag kinds. The numbers are stored in documents and tested by readers.
enum markup_kind : int32_t {
  KIND_ELEMENT = 1,       // "<" and a letter, '_' or ':'
  KIND_END_TAG = 2,       // "</"
  KIND_EMPTY = 3,         // a start tag ending in "/>" (set by markup_reader)
  KIND_DECL = 4,          // "<!" and no keyword below
  KIND_COMMENT = 5,       // "<!--"
  KIND_CDATA = 6,         // "<![CDATA["
  KIND_DOCTYPE = 7,       // "<!DOCTYPE"
  KIND_ELEMENT_DECL = 8,  // "<!ELEMENT"
  KIND_ATTLIST = 9,       // "<!ATTLIST"
  KIND_ENTITY = 10,       // "<!ENTITY"
  KIND_PI = 11,           // "<?"
  KIND_SCRIPT = 12,       // "<%"
  KIND_HASH = 13,         // "<#"
  KIND_DIRECTIVE = 14,    // "<!--#"
  KIND_UNKNOWN = 15,      // "<" and any other byte
  KIND_TEXT = 18,         // a text run (document text nodes; never a tag)
};

// Tag kinds run from 1 to KIND_UNKNOWN; slot 0 of the kind tables is unused.
constexpr int32_t kKindSlots = KIND_UNKNOWN + 1;

// The set_wanted() mask bit of a tag kind.
constexpr int32_t kind_bit(int32_t kind) { return 1 << (kind - 1); }

// Where parse() stopped.
enum class parse_status {
  more,     // the queued input is read; more is needed (or the end flag)
  done,     // the input ended and the reader finished
  too_big,  // the queued input reached the limit; nothing was read
  stopped,  // a hook stopped reading; the derived reader says why
};

class markup_tokenizer : public markup_lexer {
 public:
  // Wants no tag kind, keeps text, rows from the base table.
  markup_tokenizer();
  ~markup_tokenizer() override = default;

  // Reads as far as the queued input allows (see parse_status).
  parse_status parse();
  // Bit kind_bit(k) of mask.as_int() set: tag kind k is wanted.
  void set_wanted(const variant& mask);
  // Whether bytes outside tags are collected (value not 0).
  void set_keep_text(const variant& keep);
  bool wanted(int32_t kind) const {
    return kind >= 0 && kind < kKindSlots && wanted_[kind];
  }
  // Row of the kind table. REQUIRES: 0 <= kind < kKindSlots.
  void set_row(int32_t kind, const tag_description& row) {
    assert(kind >= 0 && kind < kKindSlots);
    rows_[kind] = row;
  }
  const tag_description& row(int32_t kind) const {
    assert(kind >= 0 && kind < kKindSlots);
    return rows_[kind];
  }

  // The current text run or tag as read, and the current tag's kind.
  variant& token() { return token_; }
  const variant& token() const { return token_; }
  int32_t kind() const { return kind_; }
  bool in_tag() const { return in_tag_; }

  // Entity name to replacement text: amp, lt, gt, apos, quot.
  static const name_table& entities();

 protected:
  // The hooks return true to go on reading and false to stop it, which
  // makes parse() return parse_status::stopped.
  //
  // Called when the input is exhausted and the end flag is set; true makes
  // parse() return parse_status::done. The base resets the input bookkeeping
  // and returns what on_text returns.
  virtual bool on_end();
  // Called at a '<' outside a tag when keep-text is set (and by on_end) with
  // the text run in the token. Base: true.
  virtual bool on_text() { return true; }
  // Called with a complete wanted tag in the token and its kind set. Base:
  // true.
  virtual bool on_tag() { return true; }
  // Whether a text run may be handed to on_text early, when a chunk ends
  // outside a tag, because splitting it cannot change what the reader makes
  // of it. Base: false.
  virtual bool can_flush_text() const { return false; }

  // Back to a new reader's state (rows, wanted kinds and limit kept).
  void clear_reader();

  bool keep_text_ = true;

 private:
  bool step(int c);
  bool on_less_than();
  bool on_greater_than();
  void start_tag();
  void classify(unsigned char c);
  void end_classification();
  void finish_tag();
  void leave_tag();
  void load_row(int32_t kind);
  void restore_state(bool keep_token);
  void append(int c) {
    token_.mutable_text().append_byte(static_cast<char>(c));
  }
  void take_plain_run();

  std::array<tag_description, kKindSlots> rows_;
  std::array<bool, kKindSlots> wanted_{};
  variant token_{""};
  bool in_single_ = false;
  bool in_double_ = false;
  bool escape_next_ = false;
  bool in_tag_ = false;
  int32_t kind_ = KIND_UNKNOWN;
  bool classifying_ = false;
  uint32_t candidates_ = 0;
  std::string_view terminator_ = ">";
  bool quotes_protect_ = false;
  bool nested_tags_ = false;
  bool backslash_escapes_ = false;
  std::vector<parser_state> saved_;
};

#endif  // DIRGEN_MARKUP_MARKUP_TOKENIZER_H_
