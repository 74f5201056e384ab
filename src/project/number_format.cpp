#include "project/number_format.h"

#include <locale.h>

#include <clocale>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view strip_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
    s.remove_suffix(1);
  }
  return s;
}

struct ParsedNumber {
  bool negative = false;
  std::string whole;     // integer digits
  std::string fraction;  // fractional digits
};

// "[-]digits[.digits]" with at least one digit; nothing else.
bool parse_number(std::string_view s, ParsedNumber* n) {
  s = strip_blanks(s);
  if (!s.empty() && s.front() == '-') {
    n->negative = true;
    s.remove_prefix(1);
  }
  size_t i = 0;
  while (i < s.size() && is_digit(s[i])) n->whole.push_back(s[i++]);
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) n->fraction.push_back(s[i++]);
  }
  return i == s.size() && !(n->whole.empty() && n->fraction.empty());
}

// Adds one unit in the last place of a digit string; returns the carry.
bool increment_digits(std::string* digits) {
  for (size_t i = digits->size(); i-- > 0;) {
    if ((*digits)[i] != '9') {
      ++(*digits)[i];
      return false;
    }
    (*digits)[i] = '0';
  }
  return true;
}

// Cuts the fraction to `keep` digits, rounding half away from zero.
void round_to(ParsedNumber* n, size_t keep) {
  const bool round_up = n->fraction.size() > keep && n->fraction[keep] >= '5';
  n->fraction.resize(keep, '0');
  if (!round_up) return;
  std::string digits = n->whole + n->fraction;
  if (increment_digits(&digits)) digits.insert(digits.begin(), '1');
  n->whole = digits.substr(0, digits.size() - keep);
  n->fraction = digits.substr(digits.size() - keep);
}

std::string group_digits(const std::string& whole, int32_t grouping,
                         const std::string& sep) {
  if (grouping <= 0 || sep.empty()) return whole;
  std::string out;
  const size_t g = static_cast<size_t>(grouping);
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % g == 0) out += sep;
    out.push_back(whole[i]);
  }
  return out;
}

std::string apply_sign(const std::string& body, int32_t order) {
  switch (order) {
    case 0:
      return "(" + body + ")";
    case 2:
      return "- " + body;
    case 3:
      return body + "-";
    case 4:
      return body + " -";
    default:
      return "-" + body;
  }
}

}  // namespace

number_format_record user_number_format() {
  number_format_record fmt;
  fmt.leading_zero = 1;
  fmt.decimal_sep = ".";
  locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return fmt;
  // Only this thread sees the user's locale, and only while it is read.
  locale_t previous = uselocale(user);
  const lconv* conv = localeconv();
  if (conv->decimal_point != nullptr) fmt.decimal_sep = conv->decimal_point;
  if (conv->thousands_sep != nullptr) fmt.thousand_sep = conv->thousands_sep;
  uselocale(previous);
  freelocale(user);
  return fmt;
}

bool format_number_text(const number_format_record& fmt, std::string_view text,
                        std::string* out) {
  ParsedNumber n;
  if (!parse_number(text, &n)) return false;
  const size_t keep = fmt.num_digits > 0 ? fmt.num_digits : 0;
  round_to(&n, keep);
  const size_t first = n.whole.find_first_not_of('0');
  n.whole = first == std::string::npos ? "0" : n.whole.substr(first);
  const bool zero =
      n.whole == "0" && n.fraction.find_first_not_of('0') == std::string::npos;
  std::string body =
      (n.whole == "0" && keep > 0 && fmt.leading_zero == 0)
          ? std::string()
          : group_digits(n.whole, fmt.grouping, fmt.thousand_sep);
  if (keep > 0) body += fmt.decimal_sep + n.fraction;
  *out = (n.negative && !zero) ? apply_sign(body, fmt.negative_order) : body;
  return true;
}

std::string format_integer(const number_format_record& fmt, int64_t n) {
  std::string out;
  format_number_text(fmt, std::to_string(n), &out);
  return out;
}

variant format_number_value(const number_format_record& fmt, const variant& v) {
  std::string out;
  if (!format_number_text(fmt, v.view(), &out)) return variant(v.view());
  return variant(std::string_view(out));
}

human_size human_size_of(const number_format_record& fmt, int64_t bytes,
                         bool binary) {
  static constexpr const char* kDecimal[] = {"kB", "MB", "GB",
                                             "TB", "PB", "EB"};
  static constexpr const char* kBinary[] = {"KiB", "MiB", "GiB",
                                            "TiB", "PiB", "EiB"};
  const unsigned __int128 base = binary ? 1024 : 1000;
  const unsigned __int128 size = static_cast<unsigned __int128>(bytes);
  if (size < base) {
    return {format_integer(fmt, bytes), bytes == 1 ? "byte" : "bytes"};
  }
  // unit: base to the power k + 1; int64 sizes end within exabytes.
  int k = 0;
  unsigned __int128 unit = base;
  while (k < 5 && size >= unit * base) {
    unit *= base;
    ++k;
  }
  for (;;) {
    const unsigned __int128 tenths = (size * 20 + unit) / (2 * unit);
    const unsigned __int128 whole = (size * 2 + unit) / (2 * unit);
    if (whole >= base && k < 5) {  // rounded up into the next unit
      unit *= base;
      ++k;
      continue;
    }
    human_size out;
    out.unit = binary ? kBinary[k] : kDecimal[k];
    if (tenths < 100) {
      out.number = std::to_string(static_cast<int>(tenths / 10)) +
                   (fmt.decimal_sep.empty() ? "." : fmt.decimal_sep) +
                   std::to_string(static_cast<int>(tenths % 10));
    } else {
      out.number = std::to_string(static_cast<int64_t>(whole));
    }
    return out;
  }
}

std::string counted(const number_format_record& fmt, int64_t n,
                    std::string_view one, std::string_view many) {
  return format_integer(fmt, n) + " " + std::string(n == 1 ? one : many);
}
