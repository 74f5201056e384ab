#include "text/output_encoding.h"

#include <cstdint>
#include <cstdio>

#include "text/encoders.h"

namespace {

const char kHex[] = "0123456789ABCDEF";

bool ascii_equal_fold(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void append_url(std::string_view src, std::string* out) {
  for (char ch : src) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                 (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                 c == '/';
    if (plain) {
      out->push_back(ch);
    } else {
      out->push_back('%');
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
    }
  }
}

void append_u_escape(uint32_t unit, std::string* out) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(unit));
  out->append(buf);
}

void append_json(std::string_view src, std::string* out) {
  while (!src.empty()) {
    unsigned char c = static_cast<unsigned char>(src[0]);
    if (c >= 0x80) {
      size_t n = utf8_sequence_length(src);
      if (n == 0) {
        append_u_escape(0xDC00 + c, out);
        n = 1;
      } else if (src.substr(0, n) == "\xE2\x80\xA8" ||
                 src.substr(0, n) == "\xE2\x80\xA9") {
        append_u_escape(src[2] == '\xA8' ? 0x2028 : 0x2029, out);
      } else {
        out->append(src.substr(0, n));
      }
      src.remove_prefix(n);
      continue;
    }
    switch (c) {
      case '"':
        out->append("\\\"");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\t':
        out->append("\\t");
        break;
      case '\r':
        out->append("\\r");
        break;
      default:
        if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
          append_u_escape(c, out);
        } else {
          out->push_back(static_cast<char>(c));
        }
    }
    src.remove_prefix(1);
  }
}

void append_csv(std::string_view src, std::string* out) {
  for (char ch : src) {
    if (ch == '"') out->push_back('"');
    out->push_back(ch);
  }
}

bool is_ascii_punctuation(unsigned char c) {
  return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) ||
         (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

void append_markdown(std::string_view src, std::string* out) {
  std::string code;
  while (!src.empty()) {
    const unsigned char c = static_cast<unsigned char>(src[0]);
    size_t n = visible_code_at(src, &code);
    if (n > 0) {
      out->push_back('\\');  // the code's own backslash, escaped
      out->append(code);
    } else if (is_ascii_punctuation(c)) {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
      n = 1;
    } else {
      n = utf8_sequence_length(src);
      out->append(src.substr(0, n));
    }
    src.remove_prefix(n);
  }
}

}  // namespace

bool output_encoding_named(std::string_view name, output_encoding* e) {
  static constexpr struct {
    const char* name;
    output_encoding encoding;
  } kNames[] = {{"html", output_encoding::kHtml},
                {"url", output_encoding::kUrl},
                {"json", output_encoding::kJson},
                {"csv", output_encoding::kCsv},
                {"markdown", output_encoding::kMarkdown}};
  for (const auto& n : kNames) {
    if (ascii_equal_fold(name, n.name)) {
      *e = n.encoding;
      return true;
    }
  }
  return false;
}

void append_encoded(output_encoding e, std::string_view src, std::string* out) {
  switch (e) {
    case output_encoding::kHtml:
      append_html_name(src, out);
      break;
    case output_encoding::kUrl:
      append_url(src, out);
      break;
    case output_encoding::kJson:
      append_json(src, out);
      break;
    case output_encoding::kCsv:
      append_csv(src, out);
      break;
    case output_encoding::kMarkdown:
      append_markdown(src, out);
      break;
  }
}
