// xml_node: one node of a markup document (element, end tag, text, comment,
// CDATA text, processing instruction). A document is a linked_tree<xml_node>,
// which owns its nodes. Built by markup_reader; walked by the settings-file
// loader.
#ifndef DIRGEN_MARKUP_XML_NODE_H_
#define DIRGEN_MARKUP_XML_NODE_H_

#include <cstdint>

#include "value/linked_tree.h"
#include "value/name_table.h"
#include "value/variant.h"

struct xml_node {
  xml_node* parent = nullptr;  // null for a top-level node
  xml_node* next_sibling = nullptr;
  xml_node* first_child = nullptr;
  xml_node* prev_sibling = nullptr;
  int32_t child_count = 0;
  // Tag kind as read (1, 2, 3, 5, 11, ...), 18 for text; -1 in a new node.
  int32_t kind = -1;
  variant name{""};       // element or end-tag name; empty for other kinds
  variant raw{""};        // the token exactly as read (line ends normalised)
  variant content{""};    // text: references expanded; CDATA: the inner text
  name_table attributes;  // attribute name to expanded value
  bool closed = false;    // needs no end tag, or has met it
  int32_t line = 0;       // a tag's line in the input: that of its last byte
};

using xml_document = linked_tree<xml_node>;

#endif  // DIRGEN_MARKUP_XML_NODE_H_
