#include "listing/masks.h"

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
