#include "value/value_text.h"

#include <string_view>
#include <utility>
#include <vector>

#include "text/encoders.h"
#include "text/posix_regex.h"

namespace {

// Replaces the content of list by texts holding the pieces' bytes. The
// pieces may point into a value the list owns, so they are copied first.
void fill_list(const std::vector<std::string_view>& pieces, value_list* list) {
  std::vector<variant> values;
  values.reserve(pieces.size());
  for (std::string_view p : pieces) values.emplace_back(p);
  list->clear();
  for (variant& v : values) list->push(std::move(v));
}

}  // namespace

void url_encode(const variant& src, variant* dst) {
  std::string_view s = src.view();
  if (s.empty()) {
    dst->convert(VARIANT_TEXT);
    return;
  }
  byte_string out;
  url_encode(s, &out);
  dst->convert(VARIANT_TEXT);  // then the text field is the value's content
  dst->mutable_text().take(out);
}

void html_escape(variant* v) {
  v->convert(VARIANT_TEXT);
  html_escape(&v->mutable_text());
}

void expand_entities(variant* v, const name_table& table, bool fold) {
  v->convert(VARIANT_TEXT);
  auto lookup = [&table](std::string_view name, byte_string* out) {
    const variant* value = table.find(name);
    if (!value) return false;
    out->append(value->text_form());
    return true;
  };
  expand_entities(&v->mutable_text(), lookup, fold);
}

void expand_char_refs(variant* v) {
  v->convert(VARIANT_TEXT);
  expand_char_refs(&v->mutable_text());
}

void split_regex(const variant& pattern, const variant& source,
                 value_list* list) {
  fill_list(split_regex(pattern.view(), source.view()), list);
}

void trim(variant* v) {
  std::string_view inner;
  if (!trim_span(v->view(), &inner)) return;
  variant result(inner);
  v->take(result);
}
