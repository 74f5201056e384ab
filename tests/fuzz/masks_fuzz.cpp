// Fuzzes compile_masks and compiled_masks. The input is a mask line, then
// '\n'-separated names. Every mask must compile to anchored patterns and
// match without fault; a mask made only of plain bytes and the wildcards
// '*' and '?' must match exactly like a simple wildcard matcher ('*' any
// run, '?' one byte or none, letters without regard to case).
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "listing/masks.h"
#include "value/value_list.h"

namespace {

constexpr size_t kMaxMask = 256;
constexpr size_t kMaxNames = 8;

bool plain_mask(std::string_view mask) {
  bool blank_only = true;
  for (unsigned char c : mask) {
    if (c != ' ') blank_only = false;
    if (std::isalnum(c) || c >= 0x80 || c == ' ' || c == ';' || c == '_' ||
        c == '-' || c == '.' || c == '*' || c == '?' || c == ',' || c == '~') {
      continue;
    }
    return false;
  }
  return !blank_only;
}

unsigned char fold(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// Wildcard match of all of name against all of piece.
bool wildcard(std::string_view piece, std::string_view name) {
  // reach[j]: name[0..j) can be matched by the piece read so far.
  std::vector<char> reach(name.size() + 1, 0), next(name.size() + 1);
  reach[0] = 1;
  for (unsigned char p : piece) {
    std::fill(next.begin(), next.end(), 0);
    for (size_t j = 0; j <= name.size(); ++j) {
      if (!reach[j]) continue;
      if (p == '*') {
        for (size_t k = j; k <= name.size(); ++k) next[k] = 1;
        break;
      }
      if (p == '?') next[j] = 1;
      if (j < name.size() &&
          (p == '?' || fold(p) == fold(static_cast<unsigned char>(name[j])))) {
        next[j + 1] = 1;
      }
    }
    reach.swap(next);
  }
  return reach[name.size()] != 0;
}

bool reference_match(std::string_view mask, std::string_view name) {
  size_t start = 0;
  while (start <= mask.size()) {
    size_t end = mask.find(';', start);
    if (end == std::string_view::npos) end = mask.size();
    std::string_view piece = mask.substr(start, end - start);
    while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (!piece.empty() && wildcard(piece, name)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string mask = in.ConsumeRandomLengthString(kMaxMask);
  std::vector<std::string> names;
  while (names.size() < kMaxNames && in.remaining_bytes() > 0) {
    std::string name = in.ConsumeRandomLengthString(64);
    if (name.find('\0') == std::string::npos) names.push_back(name);
  }

  value_list patterns;
  compile_masks(variant(std::string_view(mask)), &patterns);
  for (int32_t i = 0; i < patterns.size(); ++i) {
    std::string_view p = patterns[i].view();
    FUZZ_CHECK(p.size() >= 3 && p.front() == '^' && p.back() == '$',
               std::string("a pattern is not anchored: ") + std::string(p));
  }
  compiled_masks compiled(patterns);
  FUZZ_CHECK(compiled.size() <= patterns.size(), "more patterns than pieces");
  bool plain = plain_mask(mask);
  for (const std::string& name : names) {
    bool got = compiled.matches(variant(std::string_view(name)));
    if (plain) {
      FUZZ_CHECK(got == reference_match(mask, name),
                 "mask [" + mask + "] name [" + name + "]");
    }
  }
  return 0;
}
