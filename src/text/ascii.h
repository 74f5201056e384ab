// ASCII case folding: only the bytes 'A'..'Z' change, whatever the locale,
// so names fold the same on every machine and UTF-8 sequences pass through
// unchanged. The one home of lower-casing for names, extensions and keys.
#ifndef DIRGEN_TEXT_ASCII_H_
#define DIRGEN_TEXT_ASCII_H_

#include <string>
#include <string_view>

inline char ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// s with every ASCII capital letter made small.
inline std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

#endif  // DIRGEN_TEXT_ASCII_H_
