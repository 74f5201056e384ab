// kvxml: the markup document reader. Turns markup into a tree of xml_node
// records (elements, end tags, text, comments, CDATA, processing
// instructions) with text and attribute values expanded from character and
// entity references. Used by the settings-file loader.
#ifndef DIRGEN_MARKUP_KVXML_H_
#define DIRGEN_MARKUP_KVXML_H_

#include <cstdint>
#include <memory>

#include "markup/kvsgml.h"
#include "markup/xml_node.h"
#include "value/kvval.h"

// Reader codes besides those of kvsgml::parse().
enum kvxml_code : int {
  XML_MEMORY_ERROR = 3,  // a node could not be allocated
  XML_MISPLACED_END_TAG = 10000,
  XML_UNCLOSED_TAG = 10001,  // a start tag still open at the end
};

class kvxml : public kvsgml {
 public:
  // Builds into *document (not owned; must outlive the reader). Limit
  // 16777216 bytes; wants kinds 1, 2, 3, 5, 6 and 11; keeps text.
  explicit kvxml(xml_document* document);

  // Queues chunk after turning CR LF pairs and lone CRs into LF. A CR that
  // ends one chunk and an LF that starts the next count as one line end.
  void push(kvval chunk) override;
  // Fold element and attribute names to lower case (off by default).
  void set_fold_names(bool fold) { fold_names_ = fold; }

 protected:
  int on_end() override;
  int on_text() override;
  int on_tag() override;

 private:
  enum insert_mode { AS_CHILD = 1, AFTER_PARENT = 2, AFTER_LAST = 3 };

  void fill_element(std::string_view text, xml_node* node);
  int match_end_tag(std::unique_ptr<xml_node> end);
  void insert(std::unique_ptr<xml_node> node);

  xml_document* document_;
  bool fold_names_ = false;
  int insert_mode_ = AS_CHILD;
  xml_node* last_ = nullptr;
  bool pending_cr_ = false;  // the previous chunk ended in CR
};

// Writes the error report for code into *message, replacing its content:
// "Line: L, column: C\r\nNear by: \"token\"\r\nError: " and the code's text
// ("size exceeded.\r\n" for 1, "memory error.\r\n" for 3, "misplaced end
// tag.\r\n" for 10000, "unclosed tag.\r\n" for 10001, nothing otherwise).
void markup_error_report(const kvsgml& reader, int code, kvval* message);

#endif  // DIRGEN_MARKUP_KVXML_H_
