#include "value/variant.h"

#include <cassert>
#include <charconv>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "text/number_text.h"

namespace {

// Sum of two kind codes below this: integer domain; below kRealLimit: real.
constexpr int kIntLimit = 23;
constexpr int kRealLimit = 47;

bool is_other_kind(uint16_t k) {
  return k != VARIANT_TEXT && k != VARIANT_FLAG && k != VARIANT_INT &&
         k != VARIANT_REAL;
}

// Reads a value as an operand of integer arithmetic.
int32_t int_operand(const variant& v) {
  switch (v.kind()) {
    case VARIANT_TEXT:
    case VARIANT_FLAG:
    case VARIANT_INT:
    case VARIANT_REAL:
      return v.as_int();
    default:
      return 0;
  }
}

// Reads a value as an operand of real arithmetic.
double real_operand(const variant& v) {
  return is_other_kind(v.kind()) ? 0.0 : v.as_real();
}

int domain_of(const variant& a, const variant& b) {
  int sum = a.kind() + b.kind();
  if (sum < kIntLimit) return VARIANT_INT;
  if (sum < kRealLimit) return VARIANT_REAL;
  return 0;
}

// Wrapping integer operations (no undefined behaviour on overflow).
int32_t wrap_add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) +
                              static_cast<uint32_t>(b));
}
// REQUIRES: b != 0.
int32_t safe_div(int32_t a, int32_t b) {
  assert(b != 0);
  if (b == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
  return a / b;
}
int32_t safe_rem(int32_t a, int32_t b) {
  if (b == 0 || b == -1) return 0;
  return a % b;
}

// Appends the text form of a real (see variant.h) to out.
void format_real(double x, byte_string* out) {
  double m = std::fabs(x);
  if (m < 1e-10 || m > 1e18) {
    out->assign_cstr("0");
    return;
  }
  char buf[64];
  int precision = m > 100000 ? 3 : 8;
  auto res = std::to_chars(buf, buf + sizeof(buf), x, std::chars_format::fixed,
                           precision);
  char* end = res.ptr;
  if (std::memchr(buf, '.', end - buf)) {
    while (end > buf && end[-1] == '0') --end;
    if (end > buf && end[-1] == '.') --end;
  }
  out->assign_bytes(buf, static_cast<int32_t>(end - buf));
}

}  // namespace

variant::variant(int v) : kind_(VARIANT_INT) { payload_.i = v; }

variant::variant(double v) : kind_(VARIANT_REAL) { payload_.r = v; }

variant::variant(bool v) : kind_(VARIANT_FLAG) { payload_.flag = v ? 1 : 0; }

variant::variant(char ch) : kind_(VARIANT_TEXT) { text_.assign_bytes(&ch, 1); }

variant::variant(const char* s) : kind_(VARIANT_TEXT) { text_.assign_cstr(s); }

variant::variant(std::string_view s) : kind_(VARIANT_TEXT) {
  text_.assign_bytes(s.data(), static_cast<int32_t>(s.size()));
}

variant::variant(const byte_string& s) : kind_(VARIANT_TEXT) {
  text_.assign(s);
}

variant variant::text(const char* p, int32_t n) {
  variant v{std::string_view()};
  v.text_.assign_bytes(p, n);
  return v;
}

variant variant::of_kind(uint16_t kind, uint32_t payload) {
  variant v;
  v.kind_ = kind;
  v.payload_.word = payload;
  return v;
}

variant::variant(const variant& other) { assign(other); }

variant& variant::operator=(const variant& other) {
  assign(other);
  return *this;
}

variant::variant(variant&& other) noexcept { take(other); }

variant& variant::operator=(variant&& other) noexcept {
  take(other);
  return *this;
}

void variant::assign(const variant& other) {
  if (&other == this) return;
  kind_ = other.kind_;
  payload_.bits = other.payload_.bits;
  if (kind_ == VARIANT_TEXT) {
    text_.assign(other.text_);
  } else if (text_.capacity() > 0) {
    text_.reset(0);
  }
}

void variant::take(variant& other) {
  if (&other == this) return;
  kind_ = other.kind_;
  payload_.bits = other.payload_.bits;
  text_.take(other.text_);
}

void variant::set_int_payload(int32_t v) {
  payload_.bits = 0;
  payload_.i = v;
}

void variant::fill_text_form() const {
  char buf[32];
  int n = 0;
  switch (kind_) {
    case VARIANT_TEXT:
      return;
    case VARIANT_FLAG:
      n = std::snprintf(buf, sizeof(buf), "%d", payload_.flag ? 1 : 0);
      break;
    case VARIANT_INT:
      n = std::snprintf(buf, sizeof(buf), "%" PRId32, payload_.i);
      break;
    case VARIANT_REAL:
      format_real(payload_.r, &text_);
      return;
    default:
      n = std::snprintf(buf, sizeof(buf), "0x%" PRIx32, payload_.word);
      break;
  }
  text_.assign_bytes(buf, n);
}

const char* variant::as_text() const {
  fill_text_form();
  return text_.c_str();
}

const byte_string& variant::text_form() const {
  fill_text_form();
  return text_;
}

std::string_view variant::view() const { return text_form().view(); }

int32_t variant::as_int() const {
  switch (kind_) {
    case VARIANT_TEXT:
      return static_cast<int32_t>(read_decimal(text_.view()));
    case VARIANT_FLAG:
      return payload_.flag ? 1 : 0;
    case VARIANT_INT:
      return payload_.i;
    case VARIANT_REAL:
      return truncate_real(payload_.r);
    default:
      return static_cast<int32_t>(payload_.word);
  }
}

int64_t variant::as_int64() const {
  switch (kind_) {
    case VARIANT_TEXT:
      return read_decimal(text_.view());
    case VARIANT_REAL:
      return truncate_real64(payload_.r);
    default:
      return as_int();
  }
}

double variant::as_real() const {
  switch (kind_) {
    case VARIANT_TEXT:
      return read_real(text_.view());
    case VARIANT_FLAG:
      return payload_.flag ? 1.0 : 0.0;
    case VARIANT_INT:
      return payload_.i;
    case VARIANT_REAL:
      return payload_.r;
    default:
      return static_cast<int32_t>(payload_.word);
  }
}

bool variant::as_bool() const {
  switch (kind_) {
    case VARIANT_TEXT:
      return as_int() != 0;
    case VARIANT_FLAG:
      return payload_.flag != 0;
    case VARIANT_INT:
      return payload_.i != 0;
    case VARIANT_REAL:
      return payload_.r < 0.0 || payload_.r > 0.0;  // a NaN is false
    default:
      return payload_.bits != 0;
  }
}

int32_t variant::length() const { return text_form().length(); }

void variant::convert(uint16_t kind) {
  if (kind == kind_ || kind <= 1 || kind >= kRealLimit) return;
  if (kind == VARIANT_TEXT) {
    fill_text_form();
    kind_ = VARIANT_TEXT;
    return;
  }
  if (kind_ == VARIANT_FLAG && is_other_kind(kind)) return;  // stays a flag
  switch (kind) {
    case VARIANT_FLAG: {
      bool b = as_bool();
      payload_.bits = 0;
      payload_.flag = b ? 1 : 0;
      break;
    }
    case VARIANT_REAL: {
      double r = as_real();
      payload_.r = r;
      break;
    }
    default:  // integer or another kind: the 32-bit reading as payload
      if (kind_ != VARIANT_INT && !is_other_kind(kind_))
        set_int_payload(as_int());
      break;
  }
  kind_ = kind;
}

void variant::append(const variant& other) {
  convert(VARIANT_TEXT);
  text_.append(other.text_form());
}

void variant::append_cstr(const char* s) {
  convert(VARIANT_TEXT);
  text_.append_cstr(s);
}

void variant::append_bytes(const char* p, int32_t n) {
  convert(VARIANT_TEXT);
  text_.append_bytes(p, n);
}

void variant::set_length(int32_t n) {
  convert(VARIANT_TEXT);
  text_.set_length(n);
}

void variant::drop_front(int32_t n) {
  convert(VARIANT_TEXT);
  if (n < 1 || n > text_.length()) return;
  int32_t rest = text_.length() - n;
  if (rest > 0) std::memmove(text_.data(), text_.data() + n, rest);
  text_.set_length(rest);
}

void variant::replace(const variant& pattern, const variant& replacement) {
  convert(VARIANT_TEXT);
  byte_string p(pattern.view());  // copies: either may be this value
  byte_string r(replacement.view());
  if (p.length() == 1 && r.length() == 1) {
    text_.replace_byte(p.data()[0], r.data()[0]);
  } else if (p.length() == 1) {
    text_.replace_byte_with(p.data()[0], r);
  } else if (r.length() == 1) {
    text_.replace_with_byte(p, r.data()[0]);
  } else {
    text_.replace(p, r);
  }
}

int32_t variant::find(const variant& needle, int32_t start) const {
  const byte_string& n = needle.text_form();
  const byte_string& t = text_form();
  if (n.length() == 1) return t.find_byte(n.data()[0], start);
  return t.find(n, start);
}

int32_t variant::compare(const variant& other) const {
  return byte_string::compare(text_form(), other.text_form());
}

void variant::add(const variant& other) {
  int d = domain_of(*this, other);
  if (d == 0) return;
  convert(d);
  if (d == VARIANT_INT) {
    payload_.i = wrap_add(payload_.i, int_operand(other));
  } else {
    payload_.r += real_operand(other);
  }
}

void variant::divide(const variant& other) {
  int d = domain_of(*this, other);
  if (d == 0) return;
  convert(d);
  if (d == VARIANT_INT) {
    int32_t b = int_operand(other);
    if (b != 0) payload_.i = safe_div(payload_.i, b);
  } else {
    payload_.r /= real_operand(other);
  }
}

void variant::increment() {
  convert(VARIANT_INT);
  if (kind_ == VARIANT_INT) payload_.i = wrap_add(payload_.i, 1);
}

variant variant::plus(const variant& other) const {
  int d = domain_of(*this, other);
  if (d == VARIANT_INT)
    return variant(wrap_add(int_operand(*this), int_operand(other)));
  if (d == VARIANT_REAL)
    return variant(real_operand(*this) + real_operand(other));
  return variant();
}

variant variant::quotient(const variant& other) const {
  int d = domain_of(*this, other);
  if (d == VARIANT_INT) {
    int32_t b = int_operand(other);
    return variant(b == 0 ? 0 : safe_div(int_operand(*this), b));
  }
  if (d == VARIANT_REAL)
    return variant(real_operand(*this) / real_operand(other));
  return variant();
}

variant variant::remainder(const variant& other) const {
  if (domain_of(*this, other) == 0) return variant();
  return variant(safe_rem(int_operand(*this), int_operand(other)));
}

variant variant::less(const variant& other) const {
  int d = domain_of(*this, other);
  if (d == VARIANT_INT) return variant(int_operand(*this) < int_operand(other));
  if (d == VARIANT_REAL)
    return variant(real_operand(*this) < real_operand(other));
  return variant();
}

variant variant::greater(const variant& other) const {
  int d = domain_of(*this, other);
  if (d == VARIANT_INT) return variant(int_operand(*this) > int_operand(other));
  if (d == VARIANT_REAL)
    return variant(real_operand(*this) > real_operand(other));
  return variant();
}
