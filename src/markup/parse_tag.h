// parse_tag: splits the text of one tag into its name and its attributes.
// Used by markup_reader (element names and attributes) and template_interpreter
// (directive names and the var attribute).
#ifndef DIRGEN_MARKUP_PARSE_TAG_H_
#define DIRGEN_MARKUP_PARSE_TAG_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value/name_table.h"
#include "value/variant.h"

// Scans the n bytes at p. Bytes before the first word (such as "<!--#") are
// skipped; the first word is the name, the following words are attribute
// names, each optionally followed by "=" and a value (quoted with " or ', or
// unquoted up to the next blank). *name becomes the name (text) and
// *attributes (cleared first; may be null) receives every attribute with
// put(), so a repeated attribute keeps its last value; an attribute without
// a value gets the empty text.
// fold: the name and attribute names are lower-cased (ASCII).
// backslash: inside a quoted value a backslash makes the next byte literal.
// name_only: stop after the name.
void parse_tag(const char* p, int32_t n, variant* name, name_table* attributes,
               bool fold, bool backslash, bool name_only);

// The same scan, giving the name and the attributes in order of appearance
// (repeats included) without building a table.
using tag_attribute = std::pair<std::string, std::string>;
void parse_tag_pairs(std::string_view text, bool fold, bool backslash,
                     bool name_only, std::string* name,
                     std::vector<tag_attribute>* attributes);

#endif  // DIRGEN_MARKUP_PARSE_TAG_H_
