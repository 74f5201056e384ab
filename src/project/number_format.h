// The user's number format and the formatting of sizes with it. The
// formatter reads the record from the user's locale once; the build formats
// file sizes and totals through it (whole numbers, digits in groups).
#ifndef DIRGEN_PROJECT_NUMBER_FORMAT_H_
#define DIRGEN_PROJECT_NUMBER_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "value/variant.h"

// The six fields of a platform number-format record.
struct number_format_record {
  int32_t num_digits = 0;    // fractional digits shown
  int32_t leading_zero = 0;  // 1: "0.5", 0: ".5"
  int32_t grouping = 3;      // digits per group; 0 means no grouping
  std::string decimal_sep;
  std::string thousand_sep;
  // Where the sign of a negative number goes: 0 "(1)", 1 "-1", 2 "- 1",
  // 3 "1-", 4 "1 -".
  int32_t negative_order = 1;
};

// The record for the user's locale (LC_ALL / LC_NUMERIC / LANG): separators
// from localeconv(), no fractional digits, groups of three, leading zero on,
// sign in front. Reads the locale for this thread only and leaves the
// process's locale (and so the reading of numbers) unchanged. A locale that
// cannot be opened gives the C locale's values ("." and no separator).
number_format_record user_number_format();

// Formats the decimal number at the start of text ("[-]digits[.digits]",
// surrounding blanks allowed) with fmt: rounded half away from zero to
// fmt.num_digits fractional digits, integer digits grouped. Returns false
// and leaves *out unchanged when text is not such a number.
bool format_number_text(const number_format_record& fmt, std::string_view text,
                        std::string* out);

// As format_number_text for a whole number.
std::string format_integer(const number_format_record& fmt, int64_t n);

// The value's text form formatted with fmt; a value whose text form is not a
// number is returned as its text form unchanged.
variant format_number_value(const number_format_record& fmt, const variant& v);

// A size as people read it: a number and its unit.
struct human_size {
  std::string number;
  std::string unit;
};

// bytes in the largest unit it reaches, decimal (kB, MB, GB, TB, PB, EB:
// powers of 1000) or binary (KiB, MiB, GiB, TiB, PiB, EiB: powers of 1024):
// rounded half up to one fractional digit below 10 ("4.7" "MB"), to a whole
// number from 10 on ("47", "470"); a size that rounds up to the next unit
// is shown in it ("1.0" "MB" for 999,999 bytes). Below the first unit, the
// whole bytes and "byte" or "bytes". The fractional digit follows
// fmt.decimal_sep ("." when fmt has none). REQUIRES: bytes >= 0.
human_size human_size_of(const number_format_record& fmt, int64_t bytes,
                         bool binary);

// n formatted with fmt, a blank, and one (when n is 1) or many: "1 file",
// "1,024 files".
std::string counted(const number_format_record& fmt, int64_t n,
                    std::string_view one, std::string_view many);

#endif  // DIRGEN_PROJECT_NUMBER_FORMAT_H_
