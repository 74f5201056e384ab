#include "listing/masks.h"

#include <string>
#include <string_view>
#include <vector>

#include "value/kvtext.h"

namespace {

// The regular expression of one wildcard piece.
kvval wildcard_to_pattern(const kvval& piece) {
  kvval body(piece);
  body.replace(kvval("."), kvval("\\."));
  body.replace(kvval("*"), kvval(".*"));
  body.replace(kvval("?"), kvval(".?"));
  kvval pattern("^");
  pattern.append(body);
  pattern.append_cstr("$");
  return pattern;
}

// Most parse-tree nodes a mask pattern may compile to. The regex library
// copies a repeated expression once per required repetition, so stacked or
// nested repetitions ("a++++...", "((a+)+)+", "a{9}{9}{9}") grow
// exponentially: a short mask could take minutes and gigabytes to compile.
constexpr double kMaxPatternNodes = 100000;

// The end of the bracket expression starting at p[i] == '['.
size_t bracket_end(std::string_view p, size_t i) {
  size_t j = i + 1;
  if (j < p.size() && p[j] == '^') ++j;
  if (j < p.size() && p[j] == ']') ++j;  // a leading ']' is literal
  for (; j < p.size() && p[j] != ']'; ++j) {
    if (p[j] == '[' && j + 1 < p.size() &&
        (p[j + 1] == ':' || p[j + 1] == '.' || p[j + 1] == '=')) {
      size_t close = p.find(std::string{p[j + 1], ']'}, j + 2);
      if (close == std::string_view::npos) return p.size();
      j = close + 1;
    }
  }
  return j;
}

// Reads an interval "{m}", "{m,}" or "{m,n}" at p[i] == '{'. Returns the
// copies it makes of its operand, or 0 when it is not an interval.
double interval_copies(std::string_view p, size_t* i) {
  size_t close = p.find('}', *i);
  if (close == std::string_view::npos) return 0;
  std::string_view body = p.substr(*i + 1, close - *i - 1);
  double low = 0, high = -1, *cur = &low;
  bool digits = false;
  for (char c : body) {
    if (c >= '0' && c <= '9') {
      if (*cur < 0) *cur = 0;
      *cur = *cur * 10 + (c - '0');
      digits = true;
    } else if (c == ',' && cur == &low) {
      cur = &high;
    } else {
      return 0;
    }
  }
  if (!digits) return 0;
  *i = close;
  if (cur == &low) return low > 1 ? low : 1;  // "{m}"
  return high < 0 ? low + 1 : (high > low ? high : low) + 1;
}

// An estimate (from above) of the parse-tree size of pattern.
double pattern_nodes(std::string_view p) {
  struct group {
    double done = 0, branch = 0, last = 0;
  };
  std::vector<group> open(1);
  for (size_t i = 0; i < p.size(); ++i) {
    group& g = open.back();
    double atom = 1, copies = 0;
    char c = p[i];
    if (c == '\\') {
      ++i;
    } else if (c == '[') {
      i = bracket_end(p, i);
    } else if (c == '(') {
      open.emplace_back();
      continue;
    } else if (c == ')' && open.size() > 1) {
      atom = g.done + g.branch + 1;
      open.pop_back();
    } else if (c == '|') {
      g.done += g.branch + 1;
      g.branch = g.last = 0;
      continue;
    } else if (c == '*' || c == '?') {
      copies = 1;
    } else if (c == '+') {
      copies = 2;
    } else if (c == '{') {
      copies = interval_copies(p, &i);
    }
    group& to = open.back();
    if (copies > 0) {
      to.branch += to.last * copies + 1 - to.last;
      to.last = to.last * copies + 1;
    } else {
      to.branch += atom;
      to.last = atom;
    }
    if (to.branch > kMaxPatternNodes) return to.branch;
  }
  double total = 0;
  for (const group& g : open) total += g.done + g.branch;
  return total;
}

}  // namespace

void compile_masks(const kvval& mask, kvarr* patterns) {
  patterns->clear();
  kvval text(mask);
  text.convert(KV_TEXT);
  trim(&text);
  kvarr pieces;
  split_regex(kvval(" *; *"), text, &pieces);
  for (int32_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].length() == 0) continue;
    patterns->push(wildcard_to_pattern(pieces[i]));
  }
}

compiled_masks::compiled_masks(const kvarr& patterns) {
  regs_.reserve(patterns.size());
  for (int32_t i = 0; i < patterns.size(); ++i) {
    if (pattern_nodes(patterns[i].view()) > kMaxPatternNodes) continue;
    kvregex re;
    if (re.compile(patterns[i].view(), REG_ICASE | REG_NOSUB) != 0) continue;
    regs_.push_back(std::move(re));
  }
}

bool compiled_masks::matches(const kvval& name) const {
  const std::string_view subject = name.view();
  for (const kvregex& re : regs_) {
    if (re.matches(subject)) return true;
  }
  return false;
}
