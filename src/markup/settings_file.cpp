#include "markup/settings_file.h"

#include <cstdio>
#include <string>

#include "markup/files.h"
#include "markup/markup_reader.h"
#include "markup/xml_node.h"
#include "value/value_text.h"

namespace {

// Feeds the whole file to reader (the chunks stay queued, so the whole file
// counts against the reader's limit). False on a read error; otherwise true
// and *status is where the reader stopped (done when the markup was read
// completely).
bool read_markup(FILE* f, markup_reader* reader, parse_status* status) {
  char buf[kMarkupReadChunk];
  for (;;) {
    size_t n = std::fread(buf, 1, sizeof buf, f);
    if (n == 0) break;
    reader->push(variant::text(buf, static_cast<int32_t>(n)));
    *status = reader->parse();
    if (*status != parse_status::more) return true;
  }
  if (std::ferror(f)) return false;
  reader->set_end_of_input(true);
  *status = reader->parse();
  return true;
}

// Adds the text of every element of the shape <key>text</key> under its
// name; notes every such element and every empty one in *elements (if
// given).
void collect_settings(const xml_document& doc, list_table* table,
                      std::vector<settings_element>* elements) {
  for (xml_node* n = doc.root(); n; n = xml_document::next_preorder(n)) {
    const bool empty = n->kind == KIND_EMPTY ||
                       (n->kind == KIND_ELEMENT && n->child_count == 1 &&
                        n->first_child->kind == KIND_END_TAG);
    const bool setting =
        n->kind == KIND_ELEMENT && n->child_count == 2 &&
        (n->first_child->kind == KIND_TEXT || n->first_child->kind == -1);
    if (setting) table->add(n->name, n->first_child->content);
    if (elements && (empty || setting)) {
      elements->push_back({n->name.str(),
                           setting ? n->first_child->content : variant(""),
                           n->line});
    }
  }
}

}  // namespace

bool load_settings_file(const variant& path, list_table* table,
                        std::string* err,
                        std::vector<settings_element>* elements) {
  std::string name = path.str();
  unique_file f(std::fopen(name.c_str(), "rb"));
  if (!f) {
    *err = "Can't open file " + name;
    return false;
  }
  xml_document doc;
  markup_reader reader(&doc);
  reader.set_fold_names(true);
  parse_status status;
  bool read = read_markup(f.get(), &reader, &status);
  f.reset();
  if (!read) {
    *err = "Can't open file " + name;
    return false;
  }
  if (status != parse_status::done) {
    variant report;
    markup_error_report(reader, status, &report);
    *err = report.str();
    return false;
  }
  collect_settings(doc, table, elements);
  return true;
}

std::string settings_text(list_table& src) {
  std::string text;
  src.begin_iteration();
  variant key;
  value_list* list = nullptr;
  while (src.next(&key, &list)) {
    std::string_view k = key.view();
    for (int32_t i = 0; list && i < list->size(); ++i) {
      variant value = (*list)[i];
      html_escape(&value);
      text.append("<").append(k).append(">");
      text.append(value.view());
      text.append("</").append(k).append(">\r\n");
    }
  }
  return text;
}

bool save_settings_file(const variant& path, list_table& src,
                        std::string* err) {
  replace_options options;
  options.sync = true;  // a few hundred bytes the user may have typed
  return write_file_atomically(path.str(), settings_text(src), options, err);
}
