// POSIX extended regular expressions over byte strings: a start-up check
// that the regex library works, a compiled-pattern class for callers that match
// one pattern many times (the listing's file masks), and the byte-level helpers
// behind value/value_text.h (split by a pattern, trim).
//
// The program links glibc's regcomp/regexec directly. Matching is byte-wise:
// every compile and match runs under the "C" locale for the calling thread
// (uselocale), whatever LC_CTYPE the process has, so a name that is not valid
// UTF-8 matches like any other byte string. Subjects may hold NUL bytes
// (REG_STARTEND); patterns end at their first NUL.
#ifndef DIRGEN_TEXT_POSIX_REGEX_H_
#define DIRGEN_TEXT_POSIX_REGEX_H_

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
class posix_regex {
 public:
  posix_regex() = default;
  ~posix_regex();
  posix_regex(const posix_regex&) = delete;
  posix_regex& operator=(const posix_regex&) = delete;
  posix_regex(posix_regex&& other) noexcept;
  posix_regex& operator=(posix_regex&& other) noexcept;

  // Compiles pattern with flags | REG_EXTENDED (flags may add REG_ICASE and
  // REG_NOSUB), replacing any pattern compiled before. False, with the
  // pattern and regcomp's reason in *err, when it does not compile (the
  // object then holds no pattern).
  bool compile(std::string_view pattern, int flags, std::string* err);

  // Runs the pattern over subject (no execution flags; "^" matches at the
  // start of subject). True on a match; the first n entries of m then hold
  // (start, end) offsets, -1 for a group that took no part. m may be null
  // when n is 0. REQUIRES: a pattern was compiled.
  bool exec(std::string_view subject, size_t n, regmatch_t* m) const;
  // True when subject contains a match. REQUIRES: as exec.
  bool matches(std::string_view subject) const {
    return exec(subject, 0, nullptr);
  }

 private:
  void release();

  regex_t re_{};
  bool compiled_ = false;
};

// Pieces of source between matches of pattern. Each search runs on the rest
// of the source after the previous match; the last piece is that rest
// (possibly empty). An empty match stops splitting. An empty pattern or one
// that does not compile gives no pieces.
std::vector<std::string_view> split_regex(std::string_view pattern,
                                          std::string_view source);

// The part of s between leading and trailing space, tab, CR and LF. false
// (and *out untouched) when s is empty or holds only those bytes.
bool trim_span(std::string_view s, std::string_view* out);

#endif  // DIRGEN_TEXT_POSIX_REGEX_H_
