// Byte-level encoders and decoders for links and markup: URL encoding, HTML
// escaping, and expansion of named and numeric references. The value layer
// (value/value_text.h) wraps these for variant; the markup readers call the
// expanders once per text node, so they scan by hand instead of compiling a
// pattern per call.
#ifndef DIRGEN_TEXT_ENCODERS_H_
#define DIRGEN_TEXT_ENCODERS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "text/byte_string.h"

// *dst := src with every byte other than "-", ".", "_", "0"-"9", "A"-"Z" and
// "a"-"z" written as "%XX" (upper-case hex). dst is reset to three times the
// source length first and then cut, so its capacity follows that size.
// REQUIRES: src does not point into *dst; !src.empty() (an empty source
// leaves *dst alone: the caller decides what "empty" means for it).
void url_encode(std::string_view src, byte_string* dst);
// Appends src encoded as url_encode does to *out. REQUIRES: src does not
// point into *out.
void url_encode_append(std::string_view src, std::string* out);

// Length of the valid UTF-8 sequence at the start of s, or 0 when s does not
// start with one. Strict: no overlong forms, no surrogates (U+D800-DFFF),
// nothing above U+10FFFF. An ASCII byte is a sequence of length 1.
size_t utf8_sequence_length(std::string_view s);

// Escapes in place: '"' -> "&quot;", '&' -> "&amp;", '<' -> "&lt;",
// '>' -> "&gt;". Bytes from 0x80 up that form a valid UTF-8 sequence are
// kept as they are; every other byte from 0x80 up becomes "&#NNN;" (its
// value in three decimal digits). The apostrophe is kept. Returns false and
// leaves s untouched (the very same buffer) when nothing needs escaping;
// otherwise s takes a new buffer sized once, and the result is true.
bool html_escape(byte_string* s);

// Appends a name, HTML-escaped for text or a double- or single-quoted
// attribute, to *out, with everything that could make it show as something
// else made visible: '&', '<', '>', '"' and '\'' as references; control
// characters (U+0000-001F, U+007F-009F) and the characters that reorder or
// break the text around them (U+061C, U+200E, U+200F, U+2028, U+2029,
// U+202A-202E, U+2066-2069) as "\u" and four upper-case hex digits
// ("\u202E"); a byte that is not part of valid UTF-8 as "\x" and two
// upper-case hex digits ("\xFF"). Every other character stays as it is.
void append_html_name(std::string_view src, std::string* out);

// When src starts with a character that names show as its code (the
// control and direction characters above) or with a byte that is not part
// of valid UTF-8, *code := that code ("\u202E", "\xFF") and the result is
// the number of bytes it stands for; otherwise 0 (*code unspecified).
size_t visible_code_at(std::string_view src, std::string* code);

// As append_html_name for a longer text shown with its line breaks (a
// README): tab, line feed and carriage return stay as they are.
void append_html_text(std::string_view src, std::string* out);

// Looks up an entity name; appends its replacement to *out and returns true,
// or returns false when the name is unknown.
using entity_lookup =
    std::function<bool(std::string_view name, byte_string* out)>;

// Replaces every reference "&name;" (name: one of a-z A-Z _ : then any of
// a-z A-Z _ : 0-9 . -) for which lookup succeeds; with fold, the name is
// lower-cased (ASCII) before the lookup. Unknown references stay as they
// are; replacement text is never scanned again. Returns false and leaves s
// untouched when no reference was seen.
bool expand_entities(byte_string* s, const entity_lookup& lookup, bool fold);

// Replaces every "&#DDD;" (decimal) and "&#xHH;" (hexadecimal, lower-case x
// only) by one byte, the low 8 bits of the value. Digits are any of
// 0-9 a-f A-F; the decimal reading stops at the first non-digit, so "&#1a;"
// gives the byte 1. Returns false and leaves s untouched when none is seen.
bool expand_char_refs(byte_string* s);

// One value per line in a record file: "\\" for a backslash and "\n" for
// a line feed (the escaping sha256sum uses for such file names).
std::string escape_line_breaks(std::string_view src);

// The inverse of escape_line_breaks. False (*out unspecified) on any other
// escape or a lone backslash at the end.
bool unescape_line_breaks(std::string_view src, std::string* out);

#endif  // DIRGEN_TEXT_ENCODERS_H_
