// variant: the one value type of the system (settings, table entries, template
// variables, parser text).
//
// A value is text, flag, integer (signed 32-bit), real (double) or another
// kind (a numbered 32-bit payload), converting between kinds by fixed rules.
// The kind codes are chosen so that the sum of two operands' codes picks the
// domain of a binary operation: below 23 integer, 23..46 real, 47 and above
// none. The default value is the integer 0. For non-text kinds the text field
// is a cache of the text form, filled by the first read that needs it.
//
// Threading: a variant is not shared between threads, but its copies may be.
// A copy of a text value shares its bytes with the original (see byte_string),
// and either may then be read or changed by a different thread without
// locking. Reading one variant object from several threads at once is safe only
// for a text value: reading a non-text value's text form fills its cache.
#ifndef DIRGEN_VALUE_VARIANT_H_
#define DIRGEN_VALUE_VARIANT_H_

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/byte_string.h"

enum variant_kind : uint16_t {
  VARIANT_TEXT = 2,
  VARIANT_FLAG = 5,
  VARIANT_INT = 11,
  VARIANT_REAL = 23,
};

class variant {
 public:
  variant() = default;  // the integer 0
  variant(int v);
  variant(double v);
  variant(bool v);
  variant(char ch);             // text of one byte
  variant(const char* s);       // text; null gives the empty text
  variant(std::string_view s);  // text holding these bytes
  explicit variant(const byte_string& s);
  static variant text(const char* p, int32_t n);
  // Any kind code, with the 32-bit payload word (for kinds 47 and up).
  static variant of_kind(uint16_t kind, uint32_t payload);

  // A copy shares the text bytes until either side changes them; move is
  // take(): the source's text is left empty and the source keeps its kind.
  variant(const variant& other);
  variant& operator=(const variant& other);
  variant(variant&& other) noexcept;
  variant& operator=(variant&& other) noexcept;
  ~variant() = default;

  void assign(const variant& other);
  void take(variant& other);

  uint16_t kind() const { return kind_; }
  bool is_text() const { return kind_ == VARIANT_TEXT; }

  // Reading without changing the kind (the text cache may be filled).
  //
  // Text form: text itself; flag "1"/"0"; integer "%d"; other kinds "0x%x"
  // of the 32-bit payload word; a real x prints "0" when |x| < 1e-10 or
  // |x| > 1e18, else with three decimals above 100000 and eight otherwise,
  // trailing zeros and then a trailing '.' removed. Always '.' as the decimal
  // point, whatever the process locale.
  const char* as_text() const;           // NUL-terminated text form
  const byte_string& text_form() const;  // the text form as a byte_string
  std::string_view view() const;         // the text form as bytes
  std::string str() const { return std::string(view()); }
  // Text: the decimal integer at its start (blanks, optional sign, digits up
  // to the first other byte; 0 without digits; wraps on overflow). Flag 0/1;
  // real truncated towards zero (saturating; NaN gives 0); other kinds the
  // 32-bit payload.
  int32_t as_int() const;
  // Like as_int but 64-bit (for times and sizes read from settings text).
  int64_t as_int64() const;
  // Text: the decimal number at its start (see text/number_text.h; 0.0 when
  // none). Flag 0.0/1.0; integer and real their value; other kinds the
  // payload word as a signed integer.
  double as_real() const;
  // Text: as_int() != 0; real: not 0.0 (a NaN is false); other kinds: the
  // payload is not 0.
  bool as_bool() const;
  int32_t length() const;  // length of the text form

  // Converts in place; nothing when the target is the current kind, 0, 1 or
  // 47 and above. A flag converted to another kind below 47 stays a flag.
  // Converting away from text leaves the old text as a stale cache.
  void convert(uint16_t kind);

  // Text operations (these make this value text first).
  void append(const variant& other);  // appends other's text form
  void append_cstr(const char* s);    // null or empty: nothing
  void append_bytes(const char* p, int32_t n);
  // Truncates or extends to n bytes (new bytes undefined); n < 0: nothing.
  void set_length(int32_t n);
  // Removes the first n bytes; nothing when n < 1 or n > length.
  void drop_front(int32_t n);
  // Replaces every occurrence (non-overlapping, left to right) of pattern's
  // text by replacement's text; an empty pattern does nothing.
  void replace(const variant& pattern, const variant& replacement);
  // Read both text forms, kinds unchanged. find: the lowest position >=
  // start, or -1 (also for start out of range or an empty needle); compare:
  // as byte_string::compare (byte order).
  int32_t find(const variant& needle, int32_t start) const;
  int32_t compare(const variant& other) const;
  // Direct access to the text field of a text value. REQUIRES: is_text().
  byte_string& mutable_text() {
    assert(is_text());
    return text_;
  }

  // Arithmetic. The domain comes from the sum of the two kind codes: below
  // 23 integer, 23..46 real, 47 and above none (in place: nothing changes;
  // value-returning: the integer 0). Integer arithmetic wraps around on
  // overflow. Integer division and remainder by zero give 0 (in place: the
  // value is left unchanged after its conversion) instead of faulting; so does
  // the remainder of INT32_MIN by -1, and INT32_MIN / -1 gives INT32_MIN.
  // Operands are read per domain: integer domain: text as_int, flag 0/1,
  // integer itself, other kinds 0; real domain: text's real reading, flag,
  // integer and real their value, other kinds 0.0.
  //
  // In place: this value is converted to the domain's kind, then combined.
  void add(const variant& other);
  void divide(const variant& other);
  void increment();  // convert to integer, then + 1
  // New values of the domain's kind. remainder() is always integer (both
  // operands read by the integer rules, a real truncated); the comparisons
  // give a flag.
  variant plus(const variant& other) const;
  variant quotient(const variant& other) const;
  variant remainder(const variant& other) const;
  variant less(const variant& other) const;
  variant greater(const variant& other) const;

 private:
  void fill_text_form() const;      // writes the text form of a non-text kind
  void set_int_payload(int32_t v);  // clears the payload, then stores v

  uint16_t kind_ = VARIANT_INT;

  union {
    uint64_t bits;  // the whole payload, so copies and tests see all 8 bytes
    int32_t i;
    double r;
    uint32_t word;
    uint8_t flag;
  } payload_ = {0};
  mutable byte_string text_;
};

#endif  // DIRGEN_VALUE_VARIANT_H_
