// POSIX extended regular expressions over byte strings: a start-up check
// that the regex library works, a compiled-pattern class for callers that match one
// pattern many times (the listing's file masks), and the byte-level list
// makers behind value/kvtext.h (match with groups, split by a pattern, split
// by a fixed separator, trim).
//
// The program links glibc's regcomp/regexec directly. Matching is byte-wise:
// every compile and match runs under the "C" locale for the calling thread
// (uselocale), whatever LC_CTYPE the process has, so a name that is not valid
// UTF-8 matches like any other byte string. Subjects may hold NUL bytes
// (REG_STARTEND); patterns end at their first NUL.
#ifndef DIRGEN_TEXT_KVREGEX_H_
#define DIRGEN_TEXT_KVREGEX_H_

#include <regex.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// True when the regular-expression library works (a trial compile and match
// succeed). Start-up calls this once before any other use and stops with its
// fatal message on false. Safe to call again.
bool load_regex_library();

// One compiled pattern. Not copyable; movable. Not for use by two threads at
// once.
class kvregex {
 public:
  kvregex() = default;
  ~kvregex();
  kvregex(const kvregex&) = delete;
  kvregex& operator=(const kvregex&) = delete;
  kvregex(kvregex&& other) noexcept;
  kvregex& operator=(kvregex&& other) noexcept;

  // Compiles pattern with flags | REG_EXTENDED (flags may add REG_ICASE and
  // REG_NOSUB). Returns 0 on success, else regcomp's error code (and the
  // object holds no pattern). Replaces any pattern compiled before.
  int compile(std::string_view pattern, int flags);
  bool ok() const { return compiled_; }
  // Number of parenthesised groups. REQUIRES: ok().
  size_t group_count() const { return re_.re_nsub; }

  // Runs the pattern over subject (no execution flags; "^" matches at the
  // start of subject). Returns 0 on a match, REG_NOMATCH (or another
  // non-zero code) otherwise; when compile failed, REG_BADPAT. On a match
  // the first n entries of m hold (start, end) offsets, -1 for a group that
  // took no part. m may be null when n is 0.
  int exec(std::string_view subject, size_t n, regmatch_t* m) const;
  // True when subject contains a match.
  bool matches(std::string_view subject) const {
    return exec(subject, 0, nullptr) == 0;
  }

 private:
  void release();

  regex_t re_{};
  bool compiled_ = false;
};

// Matches subject against pattern (compiled for this call with flags |
// REG_EXTENDED). Returns 0 on a match, else the non-zero no-match or
// compile code. With groups (cleared first), a match fills it with the
// whole match then every group, each a view into subject; a group that took
// no part, or an empty one, is an empty view. Without groups the pattern is
// compiled with REG_NOSUB.
int regex_match(std::string_view pattern, int flags, std::string_view subject,
                std::vector<std::string_view>* groups);

// Pieces of source between matches of pattern. Each search runs on the rest
// of the source after the previous match; the last piece is that rest
// (possibly empty). An empty match stops splitting. An empty pattern or one
// that does not compile gives no pieces.
std::vector<std::string_view> split_regex(std::string_view pattern,
                                          std::string_view source);

// Pieces of source between occurrences of separator, left to right,
// non-overlapping. limit 0: no limit; limit n >= 2: at most n pieces, the
// last being the unsplit rest. An empty separator, or a source shorter than
// the separator, gives no pieces. REQUIRES: limit == 0 or limit >= 2.
std::vector<std::string_view> split(std::string_view separator,
                                    std::string_view source, int32_t limit);

// The part of s between leading and trailing space, tab, CR and LF. false
// (and *out untouched) when s is empty or holds only those bytes.
bool trim_span(std::string_view s, std::string_view* out);

#endif  // DIRGEN_TEXT_KVREGEX_H_
