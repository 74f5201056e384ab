#include "markup/parse_tag.h"

#include <utility>

#include "text/ascii.h"

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         c == ':';
}
bool is_word_tail(char c) {
  return c == '-' || c == '.' || (c >= '0' && c <= '9');
}

// The scanner's states: the current word, the name, a pending attribute
// name (without value so far) and a value being read.
class tag_scanner {
 public:
  tag_scanner(std::string_view text, bool fold, bool backslash, bool name_only,
              std::string* name, std::vector<tag_attribute>* out)
      : text_(text),
        fold_(fold),
        backslash_(backslash),
        name_only_(name_only),
        name_(name),
        out_(out) {}

  void run() {
    name_->clear();
    for (i_ = 0; i_ < text_.size(); ++i_) {
      if (!scan(text_[i_])) break;
    }
    finish();
    if (fold_) *name_ = ascii_lower(*name_);
  }

 private:
  // Handles one byte; false when the scan stops (name only).
  bool scan(char c) {
    if (is_blank(c)) return on_blank();
    if (c == '"' || c == '\'') {
      on_quote(c);
    } else if (is_word_tail(c)) {
      if (expect_value_) {
        value_ += c;
      } else if (in_word_) {
        word_ += c;
      }
    } else if (is_letter(c)) {
      on_letter(c);
    } else if (c == '=') {
      on_equals();
    } else if (expect_value_) {
      value_ += c;
    }
    return true;
  }

  bool on_blank() {
    if (in_word_) {
      in_word_ = false;
      if (name_done_) {
        attr_ = std::move(word_);
        pending_ = true;
      } else {
        *name_ = std::move(word_);
        name_done_ = true;
        if (name_only_) return false;
      }
    } else if (expect_value_ && !value_.empty()) {
      store(std::move(attr_), std::move(value_));
      expect_value_ = false;
    }
    word_.clear();
    return true;
  }

  void on_quote(char q) {
    std::string quoted;
    size_t j = i_ + 1;
    for (; j < text_.size() && text_[j] != q; ++j) {
      if (backslash_ && text_[j] == '\\' && j + 1 < text_.size()) ++j;
      quoted += text_[j];
    }
    i_ = j;  // at the closing quote (or the end)
    if (expect_value_) {
      value_ += quoted;
      store(std::move(attr_), std::move(value_));
      expect_value_ = false;
    }
  }

  void on_letter(char c) {
    if (expect_value_) {
      value_ += c;
    } else if (in_word_) {
      word_ += c;
    } else {
      if (pending_) store(std::move(attr_), std::string());
      pending_ = false;
      in_word_ = true;
      word_.assign(1, c);
    }
  }

  void on_equals() {
    if (!name_done_) return;
    if (in_word_) {
      attr_ = std::move(word_);
      in_word_ = false;
    }
    pending_ = false;
    while (i_ + 1 < text_.size() && is_blank(text_[i_ + 1])) ++i_;
    expect_value_ = true;
    value_.clear();
  }

  void finish() {
    if (!name_done_) {
      if (in_word_) *name_ = std::move(word_);
      return;
    }
    if (in_word_) {
      store(std::move(word_), std::string());
    } else if (expect_value_) {
      store(std::move(attr_), std::move(value_));
    } else if (pending_) {
      store(std::move(attr_), std::string());
    }
  }

  void store(std::string attr, std::string value) {
    if (fold_) attr = ascii_lower(attr);
    out_->emplace_back(std::move(attr), std::move(value));
    attr_.clear();
    value_.clear();
    pending_ = false;
  }

  std::string_view text_;
  bool fold_, backslash_, name_only_;
  std::string* name_;
  std::vector<tag_attribute>* out_;
  size_t i_ = 0;
  std::string word_, attr_, value_;
  bool in_word_ = false, name_done_ = false, pending_ = false;
  bool expect_value_ = false;
};

}  // namespace

void parse_tag_pairs(std::string_view text, bool fold, bool backslash,
                     bool name_only, std::string* name,
                     std::vector<tag_attribute>* attributes) {
  attributes->clear();
  tag_scanner(text, fold, backslash, name_only, name, attributes).run();
}

void parse_tag(const char* p, int32_t n, variant* name, name_table* attributes,
               bool fold, bool backslash, bool name_only) {
  std::string text_name;
  std::vector<tag_attribute> pairs;
  std::string_view text =
      p && n > 0 ? std::string_view(p, n) : std::string_view();
  parse_tag_pairs(text, fold, backslash, name_only, &text_name, &pairs);
  *name = variant(std::string_view(text_name));
  if (!attributes) return;
  attributes->clear();
  for (auto& [key, value] : pairs) {
    attributes->put(variant(std::string_view(key)),
                    variant(std::string_view(value)));
  }
}
