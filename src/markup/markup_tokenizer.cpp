#include "markup/markup_tokenizer.h"

#include <cstring>
#include <utility>

namespace {

// Declaration keywords after "<!", as sets of candidate bits.
constexpr uint32_t kDashes = 1;
constexpr uint32_t kCdata = 2;
constexpr uint32_t kDoctype = 4;
constexpr uint32_t kAttlist = 8;
constexpr uint32_t kElement = 16;
constexpr uint32_t kEntity = 32;

struct keyword {
  uint32_t bit;
  std::string_view text;  // the whole opening, '<' at position 1
};
constexpr keyword kKeywords[] = {
    {kDashes, "<!--"},       {kCdata, "<![CDATA["},   {kDoctype, "<!DOCTYPE"},
    {kAttlist, "<!ATTLIST"}, {kElement, "<!ELEMENT"}, {kEntity, "<!ENTITY"},
};

bool is_tag_special(char c) {
  return c == '"' || c == '\'' || c == '\\' || c == '<' || c == '>';
}

bool is_name_start(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         c == ':';
}

// True when byte c is at position pos (from 1) of a candidate keyword.
bool continues_keyword(uint32_t candidates, size_t pos, unsigned char c) {
  for (const keyword& k : kKeywords) {
    if ((candidates & k.bit) && pos <= k.text.size() &&
        static_cast<unsigned char>(k.text[pos - 1]) == c) {
      return true;
    }
  }
  return false;
}

tag_description row_of(std::string_view terminator, bool quotes_protect,
                       bool nested, bool backslash) {
  tag_description row;
  row.terminator = terminator;
  row.quotes_protect = quotes_protect;
  row.nested_tags = nested;
  row.backslash_escapes = backslash;
  return row;
}

}  // namespace

// The base kind table: per kind, the terminator, then whether quotes
// protect it, whether tags nest inside, whether backslashes escape. Kinds
// not named keep the first row; derived readers set the rows they use.
markup_tokenizer::markup_tokenizer() {
  for (auto& row : rows_) row = row_of("#>", false, false, false);
  for (int k : {KIND_ELEMENT, KIND_COMMENT}) {
    rows_[k] = row_of("#>", true, true, false);
  }
  for (int k : {KIND_DECL, KIND_DOCTYPE, KIND_UNKNOWN}) {
    rows_[k] = row_of("#>", false, true, false);
  }
  rows_[KIND_EMPTY] = row_of("/>", true, true, false);
  rows_[KIND_CDATA] = row_of("]]>", false, false, false);
  rows_[KIND_PI] = row_of("?>", true, false, true);
  rows_[KIND_SCRIPT] = row_of("%>", true, false, true);
  rows_[KIND_HASH] = row_of("#>", true, false, true);
  rows_[KIND_DIRECTIVE] = row_of("-->", true, false, true);
}

const name_table& markup_tokenizer::entities() {
  static const name_table* table = [] {
    auto* t = new name_table;
    t->put("amp", "&");
    t->put("lt", "<");
    t->put("gt", ">");
    t->put("apos", "'");
    t->put("quot", "\"");
    return t;
  }();
  return *table;
}

void markup_tokenizer::set_wanted(const variant& mask) {
  int32_t m = mask.as_int();
  for (int k = 1; k < kKindSlots; ++k) wanted_[k] = ((m >> (k - 1)) & 1) != 0;
}

void markup_tokenizer::set_keep_text(const variant& keep) {
  keep_text_ = keep.as_int() != 0;
}

parse_status markup_tokenizer::parse() {
  if (over_limit()) return parse_status::too_big;
  if (!token_.is_text()) token_.convert(VARIANT_TEXT);
  refresh_current();
  for (;;) {
    if (!classifying_ && !escape_next_) take_plain_run();
    int c = read_byte();
    if (c == kNeedInput) {
      if (!in_tag_ && keep_text_ && !token_.view().empty() &&
          can_flush_text()) {
        bool go_on = on_text();
        token_.mutable_text().set_length(0);
        if (!go_on) return parse_status::stopped;
      }
      return parse_status::more;
    }
    if (c == kInputEnded) {
      return on_end() ? parse_status::done : parse_status::stopped;
    }
    if (!step(c)) return parse_status::stopped;
  }
}

// Outside a tag every byte up to the next '<' is plain text, and inside a
// tag whose kind is known every byte other than quotes, backslash, '<' and
// '>' is simply part of the tag: take such runs at once instead of byte by
// byte.
void markup_tokenizer::take_plain_run() {
  std::string_view rest = rest_of_chunk();
  if (rest.empty()) return;
  size_t n = 0;
  if (!in_tag_) {
    const void* lt = std::memchr(rest.data(), '<', rest.size());
    n = lt ? static_cast<size_t>(static_cast<const char*>(lt) - rest.data())
           : rest.size();
  } else {
    while (n < rest.size() && !is_tag_special(rest[n])) ++n;
  }
  if (n == 0) return;
  if (in_tag_ || keep_text_) {
    token_.mutable_text().append_bytes(rest.data(), static_cast<int32_t>(n));
  }
  skip(static_cast<int32_t>(n));
}

bool markup_tokenizer::step(int c) {
  if (escape_next_) {
    escape_next_ = false;
    append(c);
  } else {
    switch (c) {
      case '"':
      case '\'': {
        bool& mine = c == '"' ? in_double_ : in_single_;
        bool other = c == '"' ? in_single_ : in_double_;
        if (in_tag_ && !other) mine = !mine;
        if (in_tag_ || keep_text_) append(c);
        break;
      }
      case '\\':
        if (in_tag_ && backslash_escapes_ && (in_single_ || in_double_)) {
          escape_next_ = true;
        }
        if (in_tag_ || keep_text_) append(c);
        break;
      case '<':
        if (!on_less_than()) return false;
        break;
      case '>':
        return on_greater_than();
      default:
        if (in_tag_ || keep_text_) append(c);
        break;
    }
  }
  if (in_tag_ && classifying_) classify(static_cast<unsigned char>(c));
  return true;
}

bool markup_tokenizer::on_less_than() {
  if (in_tag_ && !nested_tags_) {
    append('<');
    return true;
  }
  if (!in_tag_ && keep_text_ && !on_text()) return false;
  start_tag();
  return true;
}

bool markup_tokenizer::on_greater_than() {
  if (in_tag_ || keep_text_) append('>');
  if (!in_tag_) return true;
  if (classifying_) {
    // Until its kind is known a tag ends at the first '>', with the kind
    // reached so far; an unwanted kind makes it ordinary text.
    classifying_ = false;
    if (!wanted(kind_)) {
      end_classification();
      return true;
    }
    load_row(kind_);
  } else {
    if ((in_single_ || in_double_) && quotes_protect_) return true;
    std::string_view t = token_.view();
    if (t.size() <= terminator_.size() ||
        t.substr(t.size() - terminator_.size()) != terminator_) {
      return true;
    }
  }
  if (!on_tag()) return false;
  finish_tag();
  return true;
}

void markup_tokenizer::start_tag() {
  if (in_tag_) {
    classifying_ = false;
    parser_state s;
    s.token.take(token_);
    s.in_single_quotes = in_single_;
    s.in_double_quotes = in_double_;
    s.escape_next = escape_next_;
    s.in_tag = in_tag_;
    s.kind = kind_;
    s.classifying = classifying_;
    s.candidates = candidates_;
    saved_.push_back(std::move(s));
  }
  token_.mutable_text().set_length(0);
  append('<');
  in_tag_ = true;
  kind_ = KIND_UNKNOWN;
  classifying_ = true;
  candidates_ = 0;
  in_single_ = in_double_ = escape_next_ = false;
  terminator_ = ">";
  quotes_protect_ = nested_tags_ = backslash_escapes_ = false;
}

void markup_tokenizer::classify(unsigned char c) {
  size_t pos = token_.view().size();
  if (pos < 2) return;  // just the '<'
  if (pos == 2) {
    switch (c) {
      case '!':
        kind_ = KIND_DECL;
        return;
      case '#':
        kind_ = KIND_HASH;
        break;
      case '%':
        kind_ = KIND_SCRIPT;
        break;
      case '/':
        kind_ = KIND_END_TAG;
        break;
      case '?':
        kind_ = KIND_PI;
        break;
      default:
        if (is_name_start(c)) kind_ = KIND_ELEMENT;
        break;
    }
    end_classification();
    return;
  }
  if (pos == 3) {
    switch (c) {
      case '-':
        candidates_ = kDashes;
        return;
      case '[':
        candidates_ = kCdata;
        return;
      case 'D':
        candidates_ = kDoctype;
        return;
      case 'A':
        candidates_ = kAttlist;
        return;
      case 'E':
        candidates_ = kElement | kEntity;
        return;
      default:
        end_classification();
        return;
    }
  }
  int32_t decided = 0;
  if (pos == 4 && c == '-' && (candidates_ & kDashes)) {
    kind_ = KIND_COMMENT;
    return;
  }
  if (pos == 5 && c == '#' && (candidates_ & kDashes)) decided = KIND_DIRECTIVE;
  if (pos == 8 && c == 'Y' && (candidates_ & kEntity)) decided = KIND_ENTITY;
  if (pos == 9) {
    if (c == 'E' && (candidates_ & kDoctype)) decided = KIND_DOCTYPE;
    if (c == 'T' && (candidates_ & kElement)) {
      decided = KIND_ELEMENT_DECL;
    } else if (c == 'T' && (candidates_ & kAttlist)) {
      decided = KIND_ATTLIST;
    }
    if (c == '[' && (candidates_ & kCdata)) decided = KIND_CDATA;
  }
  if (decided != 0) {
    kind_ = decided;
  } else if (pos <= 9 && continues_keyword(candidates_, pos, c)) {
    return;
  }
  end_classification();
}

void markup_tokenizer::end_classification() {
  classifying_ = false;
  if (wanted(kind_)) {
    load_row(kind_);
  } else if (!saved_.empty()) {
    restore_state(/*keep_token=*/true);
  } else {
    leave_tag();
    if (!keep_text_) token_.mutable_text().set_length(0);
  }
}

void markup_tokenizer::finish_tag() {
  if (!saved_.empty()) {
    restore_state(/*keep_token=*/false);
  } else {
    leave_tag();
    token_.mutable_text().set_length(0);
  }
}

void markup_tokenizer::leave_tag() {
  in_tag_ = false;
  escape_next_ = false;
}

void markup_tokenizer::load_row(int32_t kind) {
  const tag_description& row = this->row(kind);
  terminator_ = row.terminator;
  quotes_protect_ = row.quotes_protect;
  nested_tags_ = row.nested_tags;
  backslash_escapes_ = row.backslash_escapes;
}

// Pops the newest saved state. keep_token: the current token (an unwanted
// inner "tag") becomes part of the outer tag's text; otherwise the outer
// tag's text is restored as it was when the inner tag began.
void markup_tokenizer::restore_state(bool keep_token) {
  parser_state s = std::move(saved_.back());
  saved_.pop_back();
  if (keep_token) s.token.append(token_);
  token_.take(s.token);
  in_single_ = s.in_single_quotes;
  in_double_ = s.in_double_quotes;
  escape_next_ = s.escape_next;
  in_tag_ = s.in_tag;
  kind_ = s.kind;
  classifying_ = s.classifying;
  candidates_ = s.candidates;
  load_row(kind_);
}

bool markup_tokenizer::on_end() {
  reset_input();
  return on_text();
}

void markup_tokenizer::clear_reader() {
  clear_lexer();
  token_.mutable_text().set_length(0);
  in_single_ = in_double_ = escape_next_ = in_tag_ = false;
  kind_ = KIND_UNKNOWN;
  classifying_ = false;
  candidates_ = 0;
  terminator_ = ">";
  quotes_protect_ = nested_tags_ = backslash_escapes_ = false;
  saved_.clear();
}
