// Text operations on values: the encoders and the regular-expression helpers
// in the form the rest of the system calls them (variant in, value_list out).
// The byte-level work is done by text/encoders.h and text/posix_regex.h.
#ifndef DIRGEN_VALUE_VALUE_TEXT_H_
#define DIRGEN_VALUE_VALUE_TEXT_H_

#include <cstdint>

#include "value/name_table.h"
#include "value/value_list.h"
#include "value/variant.h"

// *dst becomes text: src's text form with every byte other than "-", ".",
// "_", digits and ASCII letters written as "%XX" (upper-case hex). An empty
// source only converts *dst to text.
void url_encode(const variant& src, variant* dst);
// Escapes ", &, <, > as entities; valid UTF-8 sequences from 0x80 up are
// kept; every other byte from 0x80 up becomes "&#NNN;". Untouched (same
// buffer) when nothing needs escaping. Converts v to text first.
void html_escape(variant* v);
// Replaces "&name;" references found in table (name lower-cased first when
// fold is set); unknown references stay. Replacement text is not rescanned.
void expand_entities(variant* v, const name_table& table, bool fold);
// Replaces "&#NNN;" and "&#xHH;" by the byte of the value's low 8 bits.
void expand_char_refs(variant* v);

// Fills list with the pieces of source between matches of pattern; an empty
// or bad pattern leaves the list empty.
void split_regex(const variant& pattern, const variant& source,
                 value_list* list);
// Strips leading and trailing space, tab, CR and LF; a blank-only text stays.
void trim(variant* v);

#endif  // DIRGEN_VALUE_VALUE_TEXT_H_
