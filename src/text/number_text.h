// Locale-independent reading of numbers from text, shared by the value type
// (text to integer and real conversions) and the reference expanders.
//
// These never consult the C locale, so a program that switches LC_NUMERIC to
// learn the user's number format still reads "2.5" as two and a half.
#ifndef DIRGEN_TEXT_NUMBER_TEXT_H_
#define DIRGEN_TEXT_NUMBER_TEXT_H_

#include <cstdint>
#include <string_view>

// The decimal integer at the start of text: leading blanks (space, tab, LF,
// VT, FF, CR) skipped, an optional '+' or '-', then decimal digits up to the
// first other byte. 0 when there are no digits. No overflow check: the value
// wraps around modulo 2^64 (callers that want 32 bits truncate, which wraps
// modulo 2^32).
int64_t read_decimal(std::string_view text);

// The decimal number at the start of text: leading blanks, an optional sign,
// digits with an optional fraction ("1.", ".5" and "1.5" all count), and an
// optional exponent ("e" or "E", optional sign, at least one digit). 0.0 when
// there is no number. Values beyond the range of double give +-infinity; no
// "inf", "nan" or hexadecimal forms are read.
double read_real(std::string_view text);

// x truncated towards zero. A NaN gives 0; values beyond the integer range
// give the nearest representable limit (so no conversion can fault).
int32_t truncate_real(double x);
int64_t truncate_real64(double x);

#endif  // DIRGEN_TEXT_NUMBER_TEXT_H_
