#include "value/kvval.h"

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
  return k != KV_TEXT && k != KV_FLAG && k != KV_INT && k != KV_REAL;
}

// Reads a value as an operand of integer arithmetic.
int32_t int_operand(const kvval& v) {
  switch (v.kind()) {
    case KV_TEXT:
    case KV_FLAG:
    case KV_INT:
    case KV_REAL:
      return v.as_int();
    default:
      return 0;
  }
}

// Reads a value as an operand of real arithmetic.
double real_operand(const kvval& v) {
  return is_other_kind(v.kind()) ? 0.0 : v.as_real();
}

int domain_of(const kvval& a, const kvval& b) {
  int sum = a.kind() + b.kind();
  if (sum < kIntLimit) return KV_INT;
  if (sum < kRealLimit) return KV_REAL;
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

// Appends the text form of a real (see kvval.h) to out.
void format_real(double x, kvchar* out) {
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

kvval::kvval(int v) : kind_(KV_INT) { payload_.i = v; }

kvval::kvval(double v) : kind_(KV_REAL) { payload_.r = v; }

kvval::kvval(bool v) : kind_(KV_FLAG) { payload_.flag = v ? 1 : 0; }

kvval::kvval(char ch) : kind_(KV_TEXT) { text_.assign_bytes(&ch, 1); }

kvval::kvval(const char* s) : kind_(KV_TEXT) { text_.assign_cstr(s); }

kvval::kvval(std::string_view s) : kind_(KV_TEXT) {
  text_.assign_bytes(s.data(), static_cast<int32_t>(s.size()));
}

kvval::kvval(const kvchar& s) : kind_(KV_TEXT) { text_.assign(s); }

kvval kvval::text(const char* p, int32_t n) {
  kvval v{std::string_view()};
  v.text_.assign_bytes(p, n);
  return v;
}

kvval kvval::of_kind(uint16_t kind, uint32_t payload) {
  kvval v;
  v.kind_ = kind;
  v.payload_.word = payload;
  return v;
}

kvval::kvval(const kvval& other) { assign(other); }

kvval& kvval::operator=(const kvval& other) {
  assign(other);
  return *this;
}

kvval::kvval(kvval&& other) noexcept { take(other); }

kvval& kvval::operator=(kvval&& other) noexcept {
  take(other);
  return *this;
}

void kvval::assign(const kvval& other) {
  if (&other == this) return;
  kind_ = other.kind_;
  payload_.bits = other.payload_.bits;
  if (kind_ == KV_TEXT) {
    text_.assign(other.text_);
  } else if (text_.capacity() > 0) {
    text_.reset(0);
  }
}

void kvval::take(kvval& other) {
  if (&other == this) return;
  kind_ = other.kind_;
  payload_.bits = other.payload_.bits;
  text_.take(other.text_);
}

void kvval::set_int_payload(int32_t v) {
  payload_.bits = 0;
  payload_.i = v;
}

void kvval::fill_text_form() const {
  char buf[32];
  int n = 0;
  switch (kind_) {
    case KV_TEXT:
      return;
    case KV_FLAG:
      n = std::snprintf(buf, sizeof(buf), "%d", payload_.flag ? 1 : 0);
      break;
    case KV_INT:
      n = std::snprintf(buf, sizeof(buf), "%" PRId32, payload_.i);
      break;
    case KV_REAL:
      format_real(payload_.r, &text_);
      return;
    default:
      n = std::snprintf(buf, sizeof(buf), "0x%" PRIx32, payload_.word);
      break;
  }
  text_.assign_bytes(buf, n);
}

const char* kvval::as_text() const {
  fill_text_form();
  return text_.c_str();
}

const kvchar& kvval::text_form() const {
  fill_text_form();
  return text_;
}

std::string_view kvval::view() const { return text_form().view(); }

int32_t kvval::as_int() const {
  switch (kind_) {
    case KV_TEXT:
      return static_cast<int32_t>(read_decimal(text_.view()));
    case KV_FLAG:
      return payload_.flag ? 1 : 0;
    case KV_INT:
      return payload_.i;
    case KV_REAL:
      return truncate_real(payload_.r);
    default:
      return static_cast<int32_t>(payload_.word);
  }
}

int64_t kvval::as_int64() const {
  switch (kind_) {
    case KV_TEXT:
      return read_decimal(text_.view());
    case KV_REAL:
      return truncate_real64(payload_.r);
    default:
      return as_int();
  }
}

double kvval::as_real() const {
  switch (kind_) {
    case KV_TEXT:
      return read_real(text_.view());
    case KV_FLAG:
      return payload_.flag ? 1.0 : 0.0;
    case KV_INT:
      return payload_.i;
    case KV_REAL:
      return payload_.r;
    default:
      return static_cast<int32_t>(payload_.word);
  }
}

bool kvval::as_bool() const {
  switch (kind_) {
    case KV_TEXT:
      return as_int() != 0;
    case KV_FLAG:
      return payload_.flag != 0;
    case KV_INT:
      return payload_.i != 0;
    case KV_REAL:
      return payload_.r < 0.0 || payload_.r > 0.0;  // a NaN is false
    default:
      return payload_.bits != 0;
  }
}

int32_t kvval::length() const { return text_form().length(); }

void kvval::convert(uint16_t kind) {
  if (kind == kind_ || kind <= 1 || kind >= kRealLimit) return;
  if (kind == KV_TEXT) {
    fill_text_form();
    kind_ = KV_TEXT;
    return;
  }
  if (kind_ == KV_FLAG && is_other_kind(kind)) return;  // stays a flag
  switch (kind) {
    case KV_FLAG: {
      bool b = as_bool();
      payload_.bits = 0;
      payload_.flag = b ? 1 : 0;
      break;
    }
    case KV_REAL: {
      double r = as_real();
      payload_.r = r;
      break;
    }
    default:  // integer or another kind: the 32-bit reading as payload
      if (kind_ != KV_INT && !is_other_kind(kind_)) set_int_payload(as_int());
      break;
  }
  kind_ = kind;
}

void kvval::append(const kvval& other) {
  convert(KV_TEXT);
  text_.append(other.text_form());
}

void kvval::append_cstr(const char* s) {
  convert(KV_TEXT);
  text_.append_cstr(s);
}

void kvval::append_bytes(const char* p, int32_t n) {
  convert(KV_TEXT);
  text_.append_bytes(p, n);
}

void kvval::set_length(int32_t n) {
  convert(KV_TEXT);
  text_.set_length(n);
}

void kvval::drop_front(int32_t n) {
  convert(KV_TEXT);
  if (n < 1 || n > text_.length()) return;
  int32_t rest = text_.length() - n;
  if (rest > 0) std::memmove(text_.data(), text_.data() + n, rest);
  text_.set_length(rest);
}

void kvval::replace(const kvval& pattern, const kvval& replacement) {
  convert(KV_TEXT);
  kvchar p(pattern.view());  // copies: either may be this value
  kvchar r(replacement.view());
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

int32_t kvval::find(const kvval& needle, int32_t start) const {
  const kvchar& n = needle.text_form();
  const kvchar& t = text_form();
  if (n.length() == 1) return t.find_byte(n.data()[0], start);
  return t.find(n, start);
}

int32_t kvval::compare(const kvval& other) const {
  return kvchar::compare(text_form(), other.text_form());
}

void kvval::add(const kvval& other) {
  int d = domain_of(*this, other);
  if (d == 0) return;
  convert(d);
  if (d == KV_INT) {
    payload_.i = wrap_add(payload_.i, int_operand(other));
  } else {
    payload_.r += real_operand(other);
  }
}

void kvval::divide(const kvval& other) {
  int d = domain_of(*this, other);
  if (d == 0) return;
  convert(d);
  if (d == KV_INT) {
    int32_t b = int_operand(other);
    if (b != 0) payload_.i = safe_div(payload_.i, b);
  } else {
    payload_.r /= real_operand(other);
  }
}

void kvval::increment() {
  convert(KV_INT);
  if (kind_ == KV_INT) payload_.i = wrap_add(payload_.i, 1);
}

kvval kvval::plus(const kvval& other) const {
  int d = domain_of(*this, other);
  if (d == KV_INT)
    return kvval(wrap_add(int_operand(*this), int_operand(other)));
  if (d == KV_REAL) return kvval(real_operand(*this) + real_operand(other));
  return kvval();
}

kvval kvval::quotient(const kvval& other) const {
  int d = domain_of(*this, other);
  if (d == KV_INT) {
    int32_t b = int_operand(other);
    return kvval(b == 0 ? 0 : safe_div(int_operand(*this), b));
  }
  if (d == KV_REAL) return kvval(real_operand(*this) / real_operand(other));
  return kvval();
}

kvval kvval::remainder(const kvval& other) const {
  if (domain_of(*this, other) == 0) return kvval();
  return kvval(safe_rem(int_operand(*this), int_operand(other)));
}

kvval kvval::less(const kvval& other) const {
  int d = domain_of(*this, other);
  if (d == KV_INT) return kvval(int_operand(*this) < int_operand(other));
  if (d == KV_REAL) return kvval(real_operand(*this) < real_operand(other));
  return kvval();
}

kvval kvval::greater(const kvval& other) const {
  int d = domain_of(*this, other);
  if (d == KV_INT) return kvval(int_operand(*this) > int_operand(other));
  if (d == KV_REAL) return kvval(real_operand(*this) > real_operand(other));
  return kvval();
}
