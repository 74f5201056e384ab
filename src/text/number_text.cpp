#include "text/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <string>

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Index of the first non-blank byte.
size_t skip_blanks(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && is_blank(t[i])) ++i;
  return i;
}

size_t skip_digits(std::string_view t, size_t i) {
  while (i < t.size() && is_digit(t[i])) ++i;
  return i;
}

// Length of the decimal number that starts at t[0] (after the blanks), or 0.
size_t real_span(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t int_end = skip_digits(t, i);
  size_t end = int_end;
  bool digits = int_end > i;
  if (end < t.size() && t[end] == '.') {
    size_t frac_end = skip_digits(t, end + 1);
    digits = digits || frac_end > end + 1;
    end = frac_end;
  }
  if (!digits) return 0;
  if (end < t.size() && (t[end] == 'e' || t[end] == 'E')) {
    size_t j = end + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    size_t exp_end = skip_digits(t, j);
    if (exp_end > j) end = exp_end;
  }
  return end;
}

locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

int64_t read_decimal(std::string_view text) {
  size_t i = skip_blanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint64_t v = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    v = v * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  return static_cast<int64_t>(negative ? 0 - v : v);
}

double read_real(std::string_view text) {
  std::string_view t = text.substr(skip_blanks(text));
  size_t n = real_span(t);
  if (n == 0) return 0.0;
  std::string number(t.substr(0, n));  // strtod needs a terminator
  return strtod_l(number.c_str(), nullptr, c_locale());
}

int32_t truncate_real(double x) {
  if (std::isnan(x)) return 0;
  if (x <= -2147483648.0) return INT32_MIN;
  if (x >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(x);
}

int64_t truncate_real64(double x) {
  if (std::isnan(x)) return 0;
  if (x <= -9223372036854775808.0) return INT64_MIN;
  if (x >= 9223372036854775807.0) return INT64_MAX;
  return static_cast<int64_t>(x);
}
