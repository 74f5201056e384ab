// tag_description: one row of the tokenizer's table of tag kinds, telling
// how a tag of that kind ends. parser_state: a tokenizer state saved while a
// tag opened inside another tag is read. Used by markup_tokenizer and its
// readers.
#ifndef DIRGEN_MARKUP_TAG_DESCRIPTION_H_
#define DIRGEN_MARKUP_TAG_DESCRIPTION_H_

#include <cstdint>
#include <string_view>

#include "value/variant.h"

struct tag_description {
  // Text that ends a tag of this kind. REQUIRES: refers to static storage
  // (a string literal).
  std::string_view terminator = "#>";
  // While inside quotes a terminator does not end the tag.
  bool quotes_protect = false;
  // A '<' inside the tag opens a tag within it.
  bool nested_tags = false;
  // Inside quotes a backslash makes the next byte literal.
  bool backslash_escapes = false;
};

struct parser_state {
  variant token{""};
  bool in_single_quotes = false;
  bool in_double_quotes = false;
  bool escape_next = false;
  bool in_tag = false;
  int32_t kind = -1;
  bool classifying = true;
  uint32_t candidates = 0;
};

#endif  // DIRGEN_MARKUP_TAG_DESCRIPTION_H_
