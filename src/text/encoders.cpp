#include "text/encoders.h"

#include <cstring>

#include "text/ascii.h"
#include "text/number_text.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

bool url_safe(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '_';
}

// Extra bytes the escaped form of the byte sequence at s[i] needs, and the
// number of input bytes it covers (*step).
int32_t escape_growth(std::string_view s, size_t i, size_t* step) {
  unsigned char c = s[i];
  *step = 1;
  switch (c) {
    case '"':
      return 5;
    case '&':
      return 4;
    case '<':
    case '>':
      return 3;
    default:
      break;
  }
  if (c < 0x80) return 0;
  size_t n = utf8_sequence_length(s.substr(i));
  if (n > 1) {
    *step = n;
    return 0;
  }
  return 5;  // "&#NNN;" for one byte
}

// Writes the escaped form of s[i .. i+step) at out; returns the new end.
char* write_escaped(std::string_view s, size_t i, size_t step, char* out) {
  unsigned char c = s[i];
  const char* entity = nullptr;
  switch (c) {
    case '"':
      entity = "&quot;";
      break;
    case '&':
      entity = "&amp;";
      break;
    case '<':
      entity = "&lt;";
      break;
    case '>':
      entity = "&gt;";
      break;
    default:
      break;
  }
  if (entity) {
    size_t n = std::strlen(entity);
    std::memcpy(out, entity, n);
    return out + n;
  }
  if (c >= 0x80 && step == 1) {
    out[0] = '&';
    out[1] = '#';
    out[2] = static_cast<char>('0' + c / 100);
    out[3] = static_cast<char>('0' + c / 10 % 10);
    out[4] = static_cast<char>('0' + c % 10);
    out[5] = ';';
    return out + 6;
  }
  std::memcpy(out, s.data() + i, step);
  return out + step;
}

// ---- reference scanners ----

struct span {
  size_t start;
  size_t end;  // one past the ';'
};

bool name_start(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         c == ':';
}
bool name_char(unsigned char c) {
  return name_start(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}
bool hex_digit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

// Leftmost match of "&[a-zA-Z_:][a-zA-Z_:0-9.-]*;" at or after from.
bool find_entity(std::string_view s, size_t from, span* m) {
  size_t i = s.find('&', from);
  while (i != std::string_view::npos) {
    size_t j = i + 1;
    if (j < s.size() && name_start(s[j])) {
      ++j;
      while (j < s.size() && name_char(s[j])) ++j;
      if (j < s.size() && s[j] == ';') {
        *m = {i, j + 1};
        return true;
      }
    }
    i = s.find('&', i + 1);
  }
  return false;
}

// Leftmost match of "&#x?[0-9a-fA-F]+;" at or after from.
bool find_char_ref(std::string_view s, size_t from, span* m) {
  size_t i = s.find("&#", from);
  while (i != std::string_view::npos) {
    size_t j = i + 2;
    if (j < s.size() && s[j] == 'x') ++j;
    size_t k = j;
    while (k < s.size() && hex_digit(s[k])) ++k;
    if (k > j && k < s.size() && s[k] == ';') {
      *m = {i, k + 1};
      return true;
    }
    i = s.find("&#", i + 1);
  }
  return false;
}

uint32_t hex_digits_value(std::string_view digits) {
  uint32_t v = 0;
  for (unsigned char c : digits) {
    uint32_t d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    v = v * 16 + d;
  }
  return v;
}

// Shared driver of the two expanders: find(text, from, &match) locates the
// next reference; replace(reference, &out) appends its replacement and
// returns true, or returns false (appending nothing) to keep it.
template <typename Find, typename Replace>
bool expand_references(byte_string* s, Find find, Replace replace) {
  std::string_view text = s->view();
  span m;
  if (!find(text, 0, &m)) return false;
  byte_string out;
  int32_t reserve = s->length() + 20;
  out.set_length(reserve);
  out.set_length(0);
  size_t tail = 0;
  do {
    out.append_bytes(text.data() + tail, static_cast<int32_t>(m.start - tail));
    std::string_view ref = text.substr(m.start, m.end - m.start);
    if (!replace(ref, &out)) {
      out.append_bytes(ref.data(), static_cast<int32_t>(ref.size()));
    }
    tail = m.end;
  } while (find(text, tail, &m));
  out.append_bytes(text.data() + tail,
                   static_cast<int32_t>(text.size() - tail));
  s->take(out);
  return true;
}

}  // namespace

namespace {

// Writes src URL-encoded at out (room for three bytes per source byte);
// returns the end of what was written.
char* url_encode_into(std::string_view src, char* out) {
  for (unsigned char c : src) {
    if (url_safe(c)) {
      *out++ = static_cast<char>(c);
    } else {
      *out++ = '%';
      *out++ = kHexDigits[c >> 4];
      *out++ = kHexDigits[c & 15];
    }
  }
  return out;
}

}  // namespace

void url_encode(std::string_view src, byte_string* dst) {
  dst->reset(static_cast<int32_t>(src.size() * 3));
  char* end = url_encode_into(src, dst->data());
  dst->set_length(static_cast<int32_t>(end - dst->data()));
}

void url_encode_append(std::string_view src, std::string* out) {
  const size_t start = out->size();
  out->resize(start + src.size() * 3);
  char* end = url_encode_into(src, out->data() + start);
  out->resize(static_cast<size_t>(end - out->data()));
}

size_t utf8_sequence_length(std::string_view s) {
  if (s.empty()) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
  unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // no overlong forms
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;  // no overlong forms
    if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < n || p[1] < lo || p[1] > hi) return 0;
  for (size_t i = 2; i < n; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return n;
}

bool html_escape(byte_string* s) {
  std::string_view text = s->view();
  int32_t extra = 0;
  size_t step;
  for (size_t i = 0; i < text.size(); i += step) {
    extra += escape_growth(text, i, &step);
  }
  if (extra == 0) return false;
  byte_string out;
  out.reset(s->length() + extra);
  char* w = out.data();
  for (size_t i = 0; i < text.size(); i += step) {
    escape_growth(text, i, &step);
    w = write_escaped(text, i, step, w);
  }
  s->take(out);
  return true;
}

namespace {

// The code point of the valid UTF-8 sequence seq.
uint32_t code_point(std::string_view seq) {
  const auto* p = reinterpret_cast<const unsigned char*>(seq.data());
  switch (seq.size()) {
    case 1:
      return p[0];
    case 2:
      return (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    case 3:
      return (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    default:
      return (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 |
             (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
  }
}

// Whether c is shown as its code rather than applied: a control character,
// or one that reorders or breaks the text around it.
bool shown_as_code(uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C ||
         c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void append_hex(uint32_t value, int digits, std::string* out) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out->push_back(kHexDigits[(value >> shift) & 15]);
  }
}

void append_html_visible(std::string_view src, bool keep_breaks,
                         std::string* out) {
  std::string code;
  while (!src.empty()) {
    const char c = src[0];
    const bool is_break = c == '\t' || c == '\n' || c == '\r';
    size_t n = is_break && keep_breaks ? 0 : visible_code_at(src, &code);
    if (n > 0) {
      out->append(code);
      src.remove_prefix(n);
      continue;
    }
    switch (c) {
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      case '\'':
        out->append("&#39;");
        break;
      default:
        n = utf8_sequence_length(src);
        out->append(src.substr(0, n));
        src.remove_prefix(n);
        continue;
    }
    src.remove_prefix(1);
  }
}

}  // namespace

size_t visible_code_at(std::string_view src, std::string* code) {
  if (src.empty()) return 0;
  const size_t n = utf8_sequence_length(src);
  code->clear();
  if (n == 0) {
    code->append("\\x");
    append_hex(static_cast<unsigned char>(src[0]), 2, code);
    return 1;
  }
  const uint32_t cp = code_point(src.substr(0, n));
  if (!shown_as_code(cp)) return 0;
  code->append("\\u");
  append_hex(cp, 4, code);
  return n;
}

void append_html_name(std::string_view src, std::string* out) {
  append_html_visible(src, false, out);
}

void append_html_text(std::string_view src, std::string* out) {
  append_html_visible(src, true, out);
}

bool expand_entities(byte_string* s, const entity_lookup& lookup, bool fold) {
  std::string name;
  auto replace = [&](std::string_view ref, byte_string* out) {
    std::string_view bare = ref.substr(1, ref.size() - 2);
    if (fold) {
      name = ascii_lower(bare);
    } else {
      name.assign(bare);
    }
    return lookup(name, out);
  };
  return expand_references(s, find_entity, replace);
}

bool expand_char_refs(byte_string* s) {
  auto replace = [](std::string_view ref, byte_string* out) {
    std::string_view digits = ref.substr(2, ref.size() - 3);
    uint32_t v;
    if (digits[0] == 'x') {
      v = hex_digits_value(digits.substr(1));
    } else {
      v = static_cast<uint32_t>(read_decimal(digits));
    }
    out->append_byte(static_cast<char>(v & 0xFF));
    return true;
  };
  return expand_references(s, find_char_ref, replace);
}

std::string escape_line_breaks(std::string_view src) {
  std::string out;
  out.reserve(src.size());
  for (char c : src) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool unescape_line_breaks(std::string_view src, std::string* out) {
  out->clear();
  for (size_t i = 0; i < src.size(); ++i) {
    if (src[i] != '\\') {
      *out += src[i];
      continue;
    }
    if (++i == src.size()) return false;
    if (src[i] == '\\') {
      *out += '\\';
    } else if (src[i] == 'n') {
      *out += '\n';
    } else {
      return false;
    }
  }
  return true;
}
