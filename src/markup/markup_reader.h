// markup_reader: the markup document reader. Turns markup into a tree of
// xml_node records (elements, end tags, text, comments, CDATA, processing
// instructions) with text and attribute values expanded from character and
// entity references. Used by the settings-file loader.
#ifndef DIRGEN_MARKUP_MARKUP_READER_H_
#define DIRGEN_MARKUP_MARKUP_READER_H_

#include <cstdint>
#include <memory>
#include <string_view>

#include "markup/markup_tokenizer.h"
#include "markup/xml_node.h"
#include "value/variant.h"

class markup_reader : public markup_tokenizer {
 public:
  // Builds into *document (not owned; must outlive the reader). Limit
  // kMaxQueuedMarkup; wants kinds 1, 2, 3, 5, 6 and 11; keeps text.
  explicit markup_reader(xml_document* document);

  // Queues chunk after turning CR LF pairs and lone CRs into LF. A CR that
  // ends one chunk and an LF that starts the next count as one line end.
  void push(variant chunk) override;
  // Fold element and attribute names to lower case (off by default).
  void set_fold_names(bool fold) { fold_names_ = fold; }

  // After parse() returned parse_status::stopped: why, as the error report
  // words it ("misplaced end tag." or "unclosed tag.").
  std::string_view error() const { return error_; }

 protected:
  bool on_end() override;
  bool on_text() override;
  bool on_tag() override;

 private:
  enum insert_mode { AS_CHILD = 1, AFTER_PARENT = 2, AFTER_LAST = 3 };

  void fill_element(std::string_view text, xml_node* node);
  bool match_end_tag(std::unique_ptr<xml_node> end);
  void insert(std::unique_ptr<xml_node> node);

  xml_document* document_;
  bool fold_names_ = false;
  int insert_mode_ = AS_CHILD;
  xml_node* last_ = nullptr;
  bool pending_cr_ = false;  // the previous chunk ended in CR
  std::string_view error_;
};

// Writes the report of a failed parse (status too_big or stopped) into
// *message, replacing its content: "Line: L, column: C\r\nNear by:
// \"token\"\r\nError: " and the reason, then CR LF: "size exceeded." for
// too_big, else the reader's error().
void markup_error_report(const markup_reader& reader, parse_status status,
                         variant* message);

#endif  // DIRGEN_MARKUP_MARKUP_READER_H_
