#include "listing/masks.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "text/ascii.h"
#include "value/value_text.h"

namespace {

// The regular expression of one wildcard piece.
variant wildcard_to_pattern(const variant& piece) {
  variant body(piece);
  body.replace(variant("."), variant("\\."));
  body.replace(variant("*"), variant(".*"));
  body.replace(variant("?"), variant(".?"));
  variant pattern("^");
  pattern.append(body);
  pattern.append_cstr("$");
  return pattern;
}

// Limits on what a mask pattern may ask of the regex compiler. It copies a
// repeated expression once per required repetition, so stacked or nested
// repetitions ("a++++...", "((a+)+)+", "a{9}{9}{9}") double the pattern at
// every step; and it computes empty-match closures that explode when a
// repetition applies to something that can match the empty string ("(.*)+",
// ".*+++", "(a?){30}"). A short mask of either kind could take minutes and
// gigabytes to compile. Back-references are refused too (see below). File
// masks never need any of these.
constexpr double kMaxPatternNodes = 20000;

// One open parenthesis level of a pattern being checked.
struct pattern_group {
  double done = 0;    // nodes of the finished branches
  double branch = 0;  // nodes of the current branch
  double last = 0;    // nodes of the last atom (what a repetition repeats)
  bool has_last = false;
  bool last_empty = false;    // the last atom can match the empty string
  int solid = 0;              // atoms of the branch that cannot
  bool empty_branch = false;  // a finished branch can match the empty string
};

void add_atom(pattern_group* g, double nodes, bool can_be_empty) {
  g->branch += nodes;
  g->last = nodes;
  g->has_last = true;
  g->last_empty = can_be_empty;
  if (!can_be_empty) ++g->solid;
}

// Repeats the last atom: copies of it, optional when min_zero. False when
// the atom can match the empty string.
bool repeat_last(pattern_group* g, double copies, bool min_zero) {
  if (!g->has_last) return true;  // nothing to repeat: taken literally
  if (g->last_empty) return false;
  double nodes = g->last * copies + 1;
  g->branch += nodes - g->last;
  g->last = nodes;
  if (min_zero) {
    g->last_empty = true;
    --g->solid;
  }
  return true;
}

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

// Reads an interval "{m}", "{m,}", "{m,n}", or "{,n}" and "{,}" (which the
// regex library reads with m = 0) at p[*i] == '{' and moves *i to its "}".
// False (and *i unchanged) when it is not an interval.
bool read_interval(std::string_view p, size_t* i, double* copies,
                   bool* min_zero) {
  size_t close = p.find('}', *i);
  if (close == std::string_view::npos) return false;
  double low = -1, high = -1, *cur = &low;
  bool comma = false;
  for (char c : p.substr(*i + 1, close - *i - 1)) {
    if (c >= '0' && c <= '9') {
      *cur = (*cur < 0 ? 0 : *cur * 10) + (c - '0');
    } else if (c == ',' && !comma) {
      comma = true;
      cur = &high;
    } else {
      return false;
    }
  }
  if (low < 0 && !comma) return false;
  if (low < 0) low = 0;
  *i = close;
  *min_zero = low == 0;
  *copies = !comma ? low : (high < 0 ? low + 1 : std::max(low, high) + 1);
  if (*copies < 1) *copies = 1;
  return true;
}

// A group closes: it becomes one atom of the enclosing level.
void close_group(std::vector<pattern_group>* open) {
  pattern_group g = open->back();
  open->pop_back();
  add_atom(&open->back(), g.done + g.branch + 1,
           g.empty_branch || g.solid == 0);
}

// True when pattern stays within the limits above.
bool tame_pattern(std::string_view p) {
  std::vector<pattern_group> open(1);
  for (size_t i = 0; i < p.size(); ++i) {
    pattern_group& g = open.back();
    double copies = 0;
    bool min_zero = false;
    const char c = p[i];
    if (c == '(') {
      open.emplace_back();
    } else if (c == ')' && open.size() > 1) {
      close_group(&open);
    } else if (c == '|') {
      g.empty_branch = g.empty_branch || g.solid == 0;
      g.done += g.branch + 1;
      g = pattern_group{g.done, 0, 0, false, false, 0, g.empty_branch};
    } else if (c == '*' || c == '?' || c == '+') {
      if (!repeat_last(&g, c == '+' ? 2 : 1, c != '+')) return false;
    } else if (c == '{' && read_interval(p, &i, &copies, &min_zero)) {
      if (!repeat_last(&g, copies, min_zero)) return false;
    } else if (c == '\\') {
      // Back-references (\1 to \9) are matched by trying every split of
      // the name: "(*)(*)\1\2" takes minutes on one long name.
      if (++i < p.size() && p[i] >= '1' && p[i] <= '9') return false;
      add_atom(&g, 1, false);
    } else {
      if (c == '[') i = bracket_end(p, i);
      add_atom(&g, 1, c == '^' || c == '$');  // anchors match no byte
    }
    if (open.back().branch > kMaxPatternNodes) return false;
  }
  double total = 0;
  for (const pattern_group& g : open) total += g.done + g.branch;
  return total <= kMaxPatternNodes;
}

// The wildcards of mask: trimmed, split at ";", empty pieces dropped.
void mask_pieces(const variant& mask, value_list* pieces) {
  variant text(mask);
  text.convert(VARIANT_TEXT);
  trim(&text);
  value_list all;
  split_regex(variant(" *; *"), text, &all);
  for (int32_t i = 0; i < all.size(); ++i) {
    if (all[i].length() > 0) pieces->push(all[i]);
  }
}

// Bytes with a meaning of their own in an extended regular expression.
bool is_special(char c) {
  return std::string_view(".[]()*+?{}|^$\\").find(c) != std::string_view::npos;
}

// The literal form of pattern (as compile_masks makes them: "^", the body,
// "$"): false when the body holds anything but plain bytes, escaped special
// bytes, and ".*" at its start or end.
bool literal_form(std::string_view pattern, compiled_masks::literal* out) {
  if (pattern.size() < 2 || pattern.front() != '^' || pattern.back() != '$') {
    return false;
  }
  std::string_view body = pattern.substr(1, pattern.size() - 2);
  *out = {};
  if (body.starts_with(".*")) {
    out->any_before = true;
    body.remove_prefix(2);
  }
  if (body.ends_with(".*") && !body.ends_with("\\.*")) {
    out->any_after = true;
    body.remove_suffix(2);
  }
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\\') {
      if (i + 1 == body.size() || !is_special(body[i + 1])) return false;
      c = body[++i];
    } else if (is_special(c) || c == '\0') {
      return false;
    }
    out->lower.push_back(ascii_lower(c));
  }
  return true;
}

// Whether text, compared with ASCII letters in either case, is lower.
bool equal_folded(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (ascii_lower(text[i]) != lower[i]) return false;
  }
  return true;
}

bool literal_matches(const compiled_masks::literal& l, std::string_view name) {
  // The "." of ".*" matches any byte but NUL, and the text holds none.
  if (name.find('\0') != std::string_view::npos) return false;
  const size_t n = l.lower.size();
  if (name.size() < n) return false;
  if (!l.any_before && !l.any_after) return equal_folded(name, l.lower);
  if (!l.any_before) return equal_folded(name.substr(0, n), l.lower);
  if (!l.any_after) return equal_folded(name.substr(name.size() - n), l.lower);
  for (size_t at = 0; at + n <= name.size(); ++at) {
    if (equal_folded(name.substr(at, n), l.lower)) return true;
  }
  return false;
}

}  // namespace

void compile_masks(const variant& mask, value_list* patterns) {
  patterns->clear();
  value_list pieces;
  mask_pieces(mask, &pieces);
  for (int32_t i = 0; i < pieces.size(); ++i) {
    patterns->push(wildcard_to_pattern(pieces[i]));
  }
}

bool check_mask(std::string_view field, const variant& mask, std::string* err) {
  value_list pieces;
  mask_pieces(mask, &pieces);
  for (int32_t i = 0; i < pieces.size(); ++i) {
    const std::string pattern = wildcard_to_pattern(pieces[i]).str();
    std::string reason;
    posix_regex re;
    if (!tame_pattern(pattern)) {
      reason = "its repetitions would take too long to match";
    } else if (!re.compile(pattern, REG_ICASE | REG_NOSUB, &reason)) {
      // compile() puts the pattern before regcomp's reason.
      const std::string said = "bad pattern \"" + pattern + "\": ";
      if (reason.rfind(said, 0) == 0) reason.erase(0, said.size());
    } else {
      continue;
    }
    *err = "Invalid pattern \"" + pieces[i].str() + "\" in " +
           std::string(field) + ": " + reason + ".";
    return false;
  }
  return true;
}

compiled_masks::compiled_masks(const value_list& patterns) {
  regs_.reserve(patterns.size());
  for (int32_t i = 0; i < patterns.size(); ++i) {
    if (!tame_pattern(patterns[i].view())) continue;
    // The pattern of "*", which every name matches, is not run per name.
    if (patterns[i].view() == "^.*$") matches_all_ = true;
    literal l;
    if (literal_form(patterns[i].view(), &l)) {
      literals_.push_back(std::move(l));
      continue;
    }
    posix_regex re;
    std::string err;  // a mask that does not compile matches nothing
    if (!re.compile(patterns[i].view(), REG_ICASE | REG_NOSUB, &err)) continue;
    regs_.push_back(std::move(re));
  }
}

bool compiled_masks::matches(const variant& name) const {
  return matches(name.view());
}

bool compiled_masks::matches(std::string_view subject) const {
  if (matches_all_) return true;
  for (const literal& l : literals_) {
    if (literal_matches(l, subject)) return true;
  }
  for (const posix_regex& re : regs_) {
    if (re.matches(subject)) return true;
  }
  return false;
}
