#include "markup/template_check.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "markup/markup_input.h"
#include "markup/markup_tokenizer.h"
#include "markup/parse_tag.h"
#include "markup/template_interpreter.h"
#include "text/nearest_name.h"
#include "text/output_encoding.h"

namespace {

// Directive codes as directive_code() gives them.
enum : int32_t {
  kEcho = 2,
  kFor = 3,
  kEndfor = 4,
  kIf = 5,
  kElse = 6,
  kEndif = 7,
};

// Reads the template as the interpreter does (directive comments are tags,
// all else is text) and follows the blocks. Counts its own lines and
// columns, so a fault is placed where its directive starts.
class checker : public markup_tokenizer {
 public:
  explicit checker(const std::vector<std::string_view>& known) : known_(known) {
    set_limit(kMaxQueuedMarkup);
    set_wanted(variant(kind_bit(KIND_DIRECTIVE)));
    set_keep_text(variant(1));
  }

  bool faulty() const { return !fault_.what.empty(); }
  const template_fault& fault() const { return fault_; }

  // Call once the input has ended: blocks still open are faults.
  void finish() {
    if (!faulty() && !open_.empty()) {
      const block& b = open_.back();
      fail_at(b.line, b.column,
              std::string(b.code == kFor ? "for" : "if") + " without " +
                  (b.code == kFor ? "endfor" : "endif"));
    }
  }

  // The queued input reached the tokenizer's limit.
  void too_big() {
    fail_at(line_, column_ + 1, "a piece of the template is too big");
  }

 protected:
  bool on_text() override {
    advance(token().view());
    return true;
  }

  bool on_tag() override {
    const std::string_view text = token().view();
    const int32_t line = line_;
    const int32_t column = column_ + 1;
    advance(text);
    std::string_view body = text;
    if (body.size() >= 3) body.remove_suffix(3);  // the "-->"
    std::string name;
    std::vector<tag_attribute> attributes;
    parse_tag_pairs(body, /*fold=*/true, /*backslash=*/true, false, &name,
                    &attributes);
    check(directive_code(name), name, attributes, line, column);
    return !faulty();
  }

 private:
  struct block {
    int32_t code;  // kFor or kIf
    int32_t line;
    int32_t column;
    bool has_else = false;
  };

  void fail_at(int32_t line, int32_t column, std::string what) {
    if (faulty()) return;
    fault_.line = line;
    fault_.column = column;
    fault_.what = std::move(what);
  }

  // Moves the position past bytes, an LF starting a new line.
  void advance(std::string_view bytes) {
    for (char c : bytes) {
      if (c == '\n') {
        ++line_;
        column_ = 0;
      } else {
        ++column_;
      }
    }
  }

  // A fault in the var attribute of the directive called name, or "".
  std::string variable_fault(const std::string& name,
                             const std::vector<tag_attribute>& attributes) {
    const std::string* var = nullptr;
    for (const tag_attribute& a : attributes) {
      if (a.first == "var") var = &a.second;  // a repeated var: the last one
    }
    if (!var) return name + " without var";
    if (std::find(known_.begin(), known_.end(), *var) != known_.end()) {
      return "";
    }
    std::string what = "unknown variable " + *var;
    const std::string hint = nearest_name(*var, known_);
    if (!hint.empty()) what += "; did you mean " + hint + "?";
    return what;
  }

  // The fault of a closing directive, or "".
  std::string closing_fault(const std::string& name, int32_t opener) {
    const char* wanted = opener == kFor ? "for" : "if";
    if (open_.empty()) return name + " without " + wanted;
    const block& b = open_.back();
    if (b.code == opener) return "";
    return name + " where " + (b.code == kFor ? "endfor" : "endif") +
           " is due (" + (b.code == kFor ? "for" : "if") + " at line " +
           std::to_string(b.line) + ", column " + std::to_string(b.column) +
           ")";
  }

  void check(int32_t code, const std::string& name,
             const std::vector<tag_attribute>& attributes, int32_t line,
             int32_t column) {
    std::string what;
    switch (code) {
      case kEcho:
        what = variable_fault(name, attributes);
        for (const tag_attribute& a : attributes) {
          output_encoding e;
          if (what.empty() && a.first == "encoding" &&
              !output_encoding_named(a.second, &e)) {
            what = "unknown encoding " + a.second +
                   " (html, url, json, csv or markdown)";
          }
        }
        break;
      case kFor:
      case kIf:
        what = variable_fault(name, attributes);
        if (what.empty()) {
          if (static_cast<int32_t>(open_.size()) >=
              template_interpreter::kMaxBlockNesting) {
            what = "blocks nest deeper than " +
                   std::to_string(template_interpreter::kMaxBlockNesting);
          }
          open_.push_back({code, line, column, false});
        }
        break;
      case kElse:
        what = closing_fault(name, kIf);
        if (what.empty() && open_.back().has_else) {
          what = "a second else for the if at line " +
                 std::to_string(open_.back().line) + ", column " +
                 std::to_string(open_.back().column);
        }
        if (what.empty()) open_.back().has_else = true;
        break;
      case kEndfor:
      case kEndif:
        what = closing_fault(name, code == kEndfor ? kFor : kIf);
        if (what.empty()) open_.pop_back();
        break;
      default:
        break;  // not a directive of the interpreter: passed on as it is
    }
    if (!what.empty()) fail_at(line, column, what);
  }

  const std::vector<std::string_view>& known_;
  std::vector<block> open_;
  int32_t line_ = 1;
  int32_t column_ = 0;  // of the last byte read; 0 before a line's first
  template_fault fault_;
};

// The check loop: read a chunk (read returns false on an error, else a
// chunk, empty at the end), push it or end the input, parse, drop the
// consumed chunks; stop at the first fault.
template <typename Read>
bool run_check(Read read, const std::vector<std::string_view>& known,
               template_fault* fault) {
  checker c(known);
  variant spent;
  for (;;) {
    variant chunk;
    std::string err;
    if (!read(&chunk, &err)) {
      *fault = template_fault{0, 0, err};
      return false;
    }
    if (chunk.length() > 0) {
      c.push(std::move(chunk));
    } else {
      c.set_end_of_input(true);
    }
    const parse_status status = c.parse();
    while (c.drain(&spent)) {
    }
    if (status == parse_status::too_big) c.too_big();
    if (status == parse_status::done) c.finish();
    if (c.faulty()) {
      *fault = c.fault();
      return false;
    }
    if (status != parse_status::more) return true;
  }
}

}  // namespace

bool check_template_file(FILE* file, const std::vector<std::string_view>& known,
                         template_fault* fault) {
  char buf[kMarkupReadChunk];
  auto read = [&](variant* chunk, std::string* err) {
    size_t n = std::fread(buf, 1, sizeof buf, file);
    if (n == 0 && std::ferror(file)) {
      *err = std::strerror(errno);
      return false;
    }
    *chunk = variant::text(buf, static_cast<int32_t>(n));
    return true;
  };
  return run_check(read, known, fault);
}

bool check_template_text(std::string_view text,
                         const std::vector<std::string_view>& known,
                         template_fault* fault, size_t chunk_size) {
  if (chunk_size == 0) chunk_size = kMarkupReadChunk;
  size_t offset = 0;
  auto read = [&](variant* chunk, std::string*) {
    size_t n = std::min(chunk_size, text.size() - offset);
    *chunk = variant(text.substr(offset, n));
    offset += n;
    return true;
  };
  return run_check(read, known, fault);
}
