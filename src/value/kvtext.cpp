#include "value/kvtext.h"

#include <string_view>
#include <utility>
#include <vector>

#include "text/encoders.h"
#include "text/kvregex.h"

namespace {

// Replaces the content of list by texts holding the pieces' bytes. The
// pieces may point into a value the list owns, so they are copied first.
void fill_list(const std::vector<std::string_view>& pieces, kvarr* list) {
  std::vector<kvval> values;
  values.reserve(pieces.size());
  for (std::string_view p : pieces) values.emplace_back(p);
  list->clear();
  for (kvval& v : values) list->push(std::move(v));
}

}  // namespace

void url_encode(const kvval& src, kvval* dst) {
  std::string_view s = src.view();
  if (s.empty()) {
    dst->convert(KV_TEXT);
    return;
  }
  kvchar out;
  url_encode(s, &out);
  dst->convert(KV_TEXT);  // then the text field is the value's content
  dst->mutable_text().take(out);
}

void html_escape(kvval* v) {
  v->convert(KV_TEXT);
  html_escape(&v->mutable_text());
}

void expand_entities(kvval* v, const kvhash& table, bool fold) {
  v->convert(KV_TEXT);
  auto lookup = [&table](std::string_view name, kvchar* out) {
    const kvval* value = table.find(name);
    if (!value) return false;
    out->append(value->text_form());
    return true;
  };
  expand_entities(&v->mutable_text(), lookup, fold);
}

void expand_char_refs(kvval* v) {
  v->convert(KV_TEXT);
  expand_char_refs(&v->mutable_text());
}

void split_regex(const kvval& pattern, const kvval& source, kvarr* list) {
  fill_list(split_regex(pattern.view(), source.view()), list);
}

void trim(kvval* v) {
  std::string_view inner;
  if (!trim_span(v->view(), &inner)) return;
  kvval result(inner);
  v->take(result);
}
