// File and folder masks: turning the user's wildcard lists ("*.htm; *.html")
// into anchored regular expressions, and matching names against them with
// each pattern compiled once. Used by the filters and by the callers of the
// build, which compile the four mask lists of the settings.
#ifndef DIRGEN_LISTING_MASKS_H_
#define DIRGEN_LISTING_MASKS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/posix_regex.h"
#include "value/value_list.h"
#include "value/variant.h"

// Empties *patterns, then appends one POSIX extended regular expression per
// wildcard of mask: the text is trimmed and split at ";" (spaces around a
// ";" dropped), empty pieces are skipped, and each piece has "." turned into
// "\.", "*" into ".*" and "?" into ".?", and is wrapped in "^" ... "$".
// Other regular-expression characters keep their meaning ("[ab]*.txt").
void compile_masks(const variant& mask, value_list* patterns);

// True when every wildcard of mask compiles into a pattern compiled_masks
// can use. False, with *err naming the settings field, the wildcard and the
// reason ("Invalid pattern "*.(txt" in mask: Unmatched ( or \\(."), for
// the first one that does not.
bool check_mask(std::string_view field, const variant& mask, std::string* err);

// A list of patterns compiled once (extended, case-insensitive, no
// sub-matches), for matching many names. Matching is byte-wise, whatever
// the process locale. A pattern that does not compile matches nothing, and
// so does one whose compiled form would be huge (stacked or nested
// repetitions such as "a++++..." double it at every step): builds refuse
// both beforehand (check_mask).
// Patterns that are a plain name, or a plain text with any bytes before or
// after it ("index.html", "*.txt", "read*", "*old*"), are matched without
// the regex library, with the same results.
// Movable, not copyable.
class compiled_masks {
 public:
  // The empty list: matches no name.
  compiled_masks() = default;
  // Compiles every value of patterns (read as text).
  explicit compiled_masks(const value_list& patterns);

  // True when at least one pattern matches the whole of name.
  bool matches(const variant& name) const;
  bool matches(std::string_view name) const;
  // Number of patterns that compiled.
  int32_t size() const {
    return static_cast<int32_t>(literals_.size() + regs_.size());
  }

  // A pattern of one text, compared byte by byte with ASCII letters in
  // either case (as the regex library does under the "C" locale), with any
  // bytes but NUL allowed before and after it when the flags say so.
  struct literal {
    std::string lower;  // the text, ASCII letters in lower case
    bool any_before = false;
    bool any_after = false;
  };

 private:
  std::vector<literal> literals_;
  std::vector<posix_regex> regs_;
  bool matches_all_ = false;  // one of the patterns is that of "*"
};

#endif  // DIRGEN_LISTING_MASKS_H_
