#include "text/posix_regex.h"

#include <locale.h>

#include <cassert>
#include <string>
#include <utility>

namespace {

// Switches the calling thread to the "C" locale for its lifetime, so that
// regcomp and regexec work byte by byte.
class c_locale_scope {
 public:
  c_locale_scope() : old_(uselocale(c_locale())) {}
  ~c_locale_scope() { uselocale(old_); }
  c_locale_scope(const c_locale_scope&) = delete;
  c_locale_scope& operator=(const c_locale_scope&) = delete;

 private:
  static locale_t c_locale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc ? loc : LC_GLOBAL_LOCALE;
  }
  locale_t old_;
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool load_regex_library() {
  posix_regex probe;
  regmatch_t m[2];
  std::string err;
  bool ok = probe.compile("b(c)", 0, &err) && probe.exec("abcd", 2, m) &&
            m[0].rm_so == 1 && m[1].rm_eo == 3;
  return ok;
}

// ---- posix_regex ----

posix_regex::~posix_regex() { release(); }

posix_regex::posix_regex(posix_regex&& other) noexcept
    : re_(other.re_), compiled_(other.compiled_) {
  other.compiled_ = false;
}

posix_regex& posix_regex::operator=(posix_regex&& other) noexcept {
  if (&other == this) return *this;
  release();
  re_ = other.re_;
  compiled_ = other.compiled_;
  other.compiled_ = false;
  return *this;
}

void posix_regex::release() {
  if (compiled_) regfree(&re_);
  compiled_ = false;
}

bool posix_regex::compile(std::string_view pattern, int flags,
                          std::string* err) {
  release();
  std::string p(pattern);  // regcomp needs a terminator
  c_locale_scope scope;
  int rc = regcomp(&re_, p.c_str(), flags | REG_EXTENDED);
  if (rc != 0) {
    char reason[256];
    regerror(rc, &re_, reason, sizeof reason);
    *err = "bad pattern \"" + p + "\": " + reason;
    return false;
  }
  compiled_ = true;
  return true;
}

bool posix_regex::exec(std::string_view subject, size_t n,
                       regmatch_t* m) const {
  assert(compiled_);
  regmatch_t whole;
  if (n == 0) {
    n = 1;
    m = &whole;
  }
  m[0].rm_so = 0;
  m[0].rm_eo = static_cast<regoff_t>(subject.size());
  // REG_STARTEND gives the end, but regexec's contract (and the sanitizer's
  // check of it) still wants a terminated string: match a terminated copy.
  // The per-thread buffer makes that one memcpy, without allocating.
  thread_local std::string terminated;
  terminated.assign(subject);
  c_locale_scope scope;
  return regexec(&re_, terminated.c_str(), n, m, REG_STARTEND) == 0;
}

// ---- list makers ----

std::vector<std::string_view> split_regex(std::string_view pattern,
                                          std::string_view source) {
  std::vector<std::string_view> pieces;
  posix_regex re;
  std::string err;
  if (pattern.empty() || !re.compile(pattern, 0, &err)) return pieces;
  std::string_view tail = source;
  regmatch_t m;
  while (re.exec(tail, 1, &m) && 0 <= m.rm_so && m.rm_so < m.rm_eo &&
         m.rm_eo <= static_cast<regoff_t>(tail.size())) {
    pieces.push_back(tail.substr(0, m.rm_so));
    tail.remove_prefix(m.rm_eo);
  }
  pieces.push_back(tail);
  return pieces;
}

bool trim_span(std::string_view s, std::string_view* out) {
  size_t b = 0;
  while (b < s.size() && is_blank(s[b])) ++b;
  if (b == s.size()) return false;
  size_t e = s.size();
  while (is_blank(s[e - 1])) --e;
  *out = s.substr(b, e - b);
  return true;
}
