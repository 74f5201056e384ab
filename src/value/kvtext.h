// Text operations on values: the encoders and the regular-expression helpers
// in the form the rest of the system calls them (kvval in, kvarr out). The
// byte-level work is done by text/encoders.h and text/kvregex.h.
#ifndef DIRGEN_VALUE_KVTEXT_H_
#define DIRGEN_VALUE_KVTEXT_H_

#include <cstdint>

#include "value/kvarr.h"
#include "value/kvhash.h"
#include "value/kvval.h"

// *dst becomes text: src's text form with every byte other than "-", ".",
// "_", digits and ASCII letters written as "%XX" (upper-case hex). An empty
// source only converts *dst to text.
void url_encode(const kvval& src, kvval* dst);
// Escapes ", &, <, > as entities; valid UTF-8 sequences from 0x80 up are
// kept; every other byte from 0x80 up becomes "&#NNN;". Untouched (same
// buffer) when nothing needs escaping. Converts v to text first.
void html_escape(kvval* v);
// Replaces "&name;" references found in table (name lower-cased first when
// fold is set); unknown references stay. Replacement text is not rescanned.
void expand_entities(kvval* v, const kvhash& table, bool fold);
// Replaces "&#NNN;" and "&#xHH;" by the byte of the value's low 8 bits.
void expand_char_refs(kvval* v);

// Fills list with the pieces of source between matches of pattern; an empty
// or bad pattern leaves the list empty.
void split_regex(const kvval& pattern, const kvval& source, kvarr* list);
// Strips leading and trailing space, tab, CR and LF; a blank-only text stays.
void trim(kvval* v);

#endif  // DIRGEN_VALUE_KVTEXT_H_
