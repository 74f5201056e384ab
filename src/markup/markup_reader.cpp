#include "markup/markup_reader.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "markup/parse_tag.h"
#include "value/value_text.h"

namespace {

void expand_references(variant* v) {
  expand_char_refs(v);
  expand_entities(v, markup_tokenizer::entities(), false);
}

tag_description plain_row(std::string_view terminator) {
  tag_description row;
  row.terminator = terminator;
  return row;
}

}  // namespace

markup_reader::markup_reader(xml_document* document) : document_(document) {
  set_limit(kMaxQueuedMarkup);
  set_wanted(variant(kind_bit(KIND_ELEMENT) | kind_bit(KIND_END_TAG) |
                     kind_bit(KIND_EMPTY) | kind_bit(KIND_COMMENT) |
                     kind_bit(KIND_CDATA) | kind_bit(KIND_PI)));
  set_keep_text(variant(1));
  for (int k : {KIND_ELEMENT, KIND_END_TAG, KIND_EMPTY}) {
    set_row(k, plain_row(">"));
  }
  set_row(KIND_COMMENT, plain_row("-->"));
  set_row(KIND_CDATA, plain_row("]]>"));
}

void markup_reader::push(variant chunk) {
  chunk.convert(VARIANT_TEXT);
  byte_string& text = chunk.mutable_text();
  if (text.length() > 0) {
    bool lf_after_cr = pending_cr_ && text.data()[0] == '\n';
    pending_cr_ = text.data()[text.length() - 1] == '\r';
    if (lf_after_cr) chunk.drop_front(1);
  }
  if (text.length() > 0 && std::memchr(text.data(), '\r', text.length())) {
    text.replace_with_byte(byte_string("\r\n"), '\n');
    text.replace_byte('\r', '\n');
  }
  markup_tokenizer::push(std::move(chunk));
}

bool markup_reader::on_text() {
  variant& run = token();
  if (run.view().empty()) return true;
  auto node = std::make_unique<xml_node>();
  node->kind = KIND_TEXT;
  node->closed = true;
  node->raw.take(run);
  node->content = node->raw;
  expand_references(&node->content);
  insert(std::move(node));
  return true;
}

void markup_reader::fill_element(std::string_view text, xml_node* node) {
  // Leave the closing ">" (and the "/" of an empty element) out of the
  // scan, so an unquoted last attribute value does not take them.
  text.remove_suffix(1);
  if (node->kind == KIND_EMPTY) text.remove_suffix(1);
  std::string name;
  std::vector<tag_attribute> pairs;
  parse_tag_pairs(text, fold_names_, false, false, &name, &pairs);
  node->name = variant(std::string_view(name));
  for (auto& [key, value] : pairs) {
    variant v{std::string_view(value)};
    expand_references(&v);
    node->attributes.put(variant(std::string_view(key)), v);
  }
}

bool markup_reader::on_tag() {
  auto node = std::make_unique<xml_node>();
  variant& tok = token();
  std::string_view text = tok.view();
  node->kind = kind();
  node->line = line();
  if (node->kind == KIND_ELEMENT) {
    if (text.size() >= 3 && text[text.size() - 2] == '/') {
      node->kind = KIND_EMPTY;
    }
    fill_element(text, node.get());
  } else if (node->kind == KIND_END_TAG) {
    std::string name;
    std::vector<tag_attribute> none;
    parse_tag_pairs(text, fold_names_, false, true, &name, &none);
    node->name = variant(std::string_view(name));
  } else if (node->kind == KIND_CDATA) {
    if (text.size() >= 12)
      node->content = variant(text.substr(9, text.size() - 12));
    node->kind = KIND_TEXT;
  }
  node->closed = node->kind != KIND_ELEMENT && node->kind != KIND_END_TAG;
  if (node->kind == KIND_END_TAG) {
    node->raw = tok;  // kept in the token for an error report
    if (last_) return match_end_tag(std::move(node));
  } else {
    node->raw.take(tok);
  }
  insert(std::move(node));
  return true;
}

// An end tag closes the last node when that is its open start tag (which
// then becomes an empty element), or else the open element that encloses
// the last node. After another end tag, the enclosing element is the parent
// of the element that end tag closed.
bool markup_reader::match_end_tag(std::unique_ptr<xml_node> end) {
  std::string_view name = end->name.view();
  if (last_->kind == KIND_ELEMENT && !last_->closed &&
      last_->name.view() == name) {
    last_->kind = KIND_EMPTY;
    last_->closed = true;
    insert_mode_ = AFTER_LAST;
    return true;
  }
  xml_node* open = last_->parent;
  if (last_->kind == KIND_END_TAG && open) open = open->parent;
  if (!open || open->closed || open->name.view() != name) {
    error_ = "misplaced end tag.";
    return false;
  }
  open->closed = true;
  end->closed = true;
  insert(std::move(end));
  return true;
}

void markup_reader::insert(std::unique_ptr<xml_node> owned) {
  xml_node* node = owned.release();
  if (!last_) {
    document_->append_top(node);
  } else if (insert_mode_ == AS_CHILD) {
    document_->append_child(node, last_);
  } else if (insert_mode_ == AFTER_PARENT && last_->parent) {
    // The last node's parent ends its chain: everything inserted since it
    // went into its subtree.
    document_->insert_after(node, last_->parent);
  } else {
    document_->insert_after(node, last_);
  }
  insert_mode_ = node->kind == KIND_ELEMENT   ? AS_CHILD
                 : node->kind == KIND_END_TAG ? AFTER_PARENT
                                              : AFTER_LAST;
  last_ = node;
}

bool markup_reader::on_end() {
  reset_input();
  if (!on_text()) return false;
  for (xml_node* n = document_->root(); n; n = xml_document::next_preorder(n)) {
    if (n->kind == KIND_ELEMENT && !n->closed) {
      error_ = "unclosed tag.";
      return false;
    }
  }
  return true;
}

void markup_error_report(const markup_reader& reader, parse_status status,
                         variant* message) {
  std::string report = "Line: " + std::to_string(reader.line()) +
                       ", column: " + std::to_string(reader.column()) +
                       "\r\nNear by: \"";
  report += reader.token().view();
  report += "\"\r\nError: ";
  report += status == parse_status::too_big ? "size exceeded." : reader.error();
  report += "\r\n";
  *message = variant(std::string_view(report));
}
