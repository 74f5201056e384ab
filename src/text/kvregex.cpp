#include "text/kvregex.h"

#include <locale.h>

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
  kvregex probe;
  regmatch_t m[2];
  bool ok = probe.compile("b(c)", 0) == 0 && probe.exec("abcd", 2, m) == 0 &&
            m[0].rm_so == 1 && m[1].rm_eo == 3;
  return ok;
}

// ---- kvregex ----

kvregex::~kvregex() { release(); }

kvregex::kvregex(kvregex&& other) noexcept
    : re_(other.re_), compiled_(other.compiled_) {
  other.compiled_ = false;
}

kvregex& kvregex::operator=(kvregex&& other) noexcept {
  if (&other == this) return *this;
  release();
  re_ = other.re_;
  compiled_ = other.compiled_;
  other.compiled_ = false;
  return *this;
}

void kvregex::release() {
  if (compiled_) regfree(&re_);
  compiled_ = false;
}

int kvregex::compile(std::string_view pattern, int flags) {
  release();
  std::string p(pattern);  // regcomp needs a terminator
  c_locale_scope scope;
  int rc = regcomp(&re_, p.c_str(), flags | REG_EXTENDED);
  compiled_ = rc == 0;
  return rc;
}

int kvregex::exec(std::string_view subject, size_t n, regmatch_t* m) const {
  if (!compiled_) return REG_BADPAT;
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
  return regexec(&re_, terminated.c_str(), n, m, REG_STARTEND);
}

// ---- list makers ----

int regex_match(std::string_view pattern, int flags, std::string_view subject,
                std::vector<std::string_view>* groups) {
  if (groups) groups->clear();
  kvregex re;
  int rc = re.compile(pattern, groups ? flags : flags | REG_NOSUB);
  if (rc != 0 || !groups) return rc != 0 ? rc : re.exec(subject, 0, nullptr);
  std::vector<regmatch_t> m(re.group_count() + 1);
  rc = re.exec(subject, m.size(), m.data());
  if (rc != 0) return rc;
  regoff_t len = static_cast<regoff_t>(subject.size());
  for (const regmatch_t& r : m) {
    bool inside = 0 <= r.rm_so && r.rm_so < r.rm_eo && r.rm_eo <= len;
    groups->push_back(inside ? subject.substr(r.rm_so, r.rm_eo - r.rm_so)
                             : std::string_view());
  }
  return 0;
}

std::vector<std::string_view> split_regex(std::string_view pattern,
                                          std::string_view source) {
  std::vector<std::string_view> pieces;
  kvregex re;
  if (pattern.empty() || re.compile(pattern, 0) != 0) return pieces;
  std::string_view tail = source;
  regmatch_t m;
  while (re.exec(tail, 1, &m) == 0 && 0 <= m.rm_so && m.rm_so < m.rm_eo &&
         m.rm_eo <= static_cast<regoff_t>(tail.size())) {
    pieces.push_back(tail.substr(0, m.rm_so));
    tail.remove_prefix(m.rm_eo);
  }
  pieces.push_back(tail);
  return pieces;
}

std::vector<std::string_view> split(std::string_view separator,
                                    std::string_view source, int32_t limit) {
  std::vector<std::string_view> pieces;
  if (separator.empty() || source.size() < separator.size()) return pieces;
  size_t begin = 0;
  size_t pos = source.find(separator);
  while (pos != std::string_view::npos &&
         (limit == 0 || pieces.size() + 1 < static_cast<size_t>(limit))) {
    pieces.push_back(source.substr(begin, pos - begin));
    begin = pos + separator.size();
    pos = source.find(separator, begin);
  }
  pieces.push_back(source.substr(begin));
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
