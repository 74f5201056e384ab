// kvi: the template interpreter. A kvsgml reader that wants only directive
// comments ("<!--#name attr=value-->") and keeps text: bytes outside
// directives are copied to the output unchanged, and the directives echo,
// for/endfor and if/else/endif are replaced by what they mean, reading the
// caller's variables (named lists). Used by the listing build through
// run_template_file (kvi_run.h).
#ifndef DIRGEN_MARKUP_KVI_H_
#define DIRGEN_MARKUP_KVI_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "markup/kvsgml.h"
#include "markup/parse_tag.h"
#include "value/kvarr.h"
#include "value/kvhash.h"
#include "value/kvval.h"

// Directive codes, as the directive table gives them (0: not a directive).
int32_t kvi_directive_code(std::string_view name);

class kvi : public kvsgml {
 public:
  using sink = std::function<bool(std::string_view)>;

  // A block whose for and if directives nest deeper than this is not run:
  // the error message stands in its place, at its closing directive. So no
  // template makes blocks re-interpreted inside each other more than this
  // deep, and a deeply nested template costs no more than a flat one.
  static constexpr int32_t kMaxBlockNesting = 200;

  // Mode "write", no variables, loop index 0, limit kMaxQueuedMarkup.
  kvi();
  ~kvi() override;

  // The variables the directives read (not owned, never changed).
  void set_variables(kvhash_array* variables) { variables_ = variables; }
  // Sends every output chunk to *write as soon as it is produced instead of
  // queueing it in output(). A false result stops the interpreter: parse()
  // then returns parse_status::stopped and write_failed() is true. *write
  // must outlive the interpreter.
  void set_sink(const sink* write) { sink_ = write; }
  bool write_failed() const { return root_->write_failed_; }
  // After parse() returned parse_status::done: whether the input ended
  // inside an if or a found for (what that block collected is dropped).
  bool block_open() const { return mode_ != MODE_WRITE; }
  // The output chunks produced so far, in order (without a sink). Callers
  // take them off with shift().
  kvarr& output() { return output_; }

 protected:
  bool on_end() override;
  bool on_text() override;
  bool on_tag() override;
  // Text written straight to the output may leave in pieces (not while a
  // pass is recorded: its events must not depend on the mode).
  bool can_flush_text() const override {
    return mode_ == MODE_WRITE && !recording_;
  }

 private:
  enum mode { MODE_DROP = 0, MODE_COLLECT = 1, MODE_WRITE = 2 };

  void run_echo();
  void run_for();
  void run_endfor();
  void run_if();
  void run_else();
  void run_endif();

  const kvarr* find_variable();
  const kvval& select(const kvarr& list) const;
  void pass_token();
  void emit(std::string_view text);
  void emit_token();
  void emit_error();
  void note_depth();
  void run_block(int32_t first_index, int32_t passes);
  parse_status feed_block(kvi* pass);
  void begin_pass(kvi* root, int32_t nesting, int32_t index);

  // What the tokenizer handed the hooks during one pass over a block: the
  // same block text always gives the same events, so later passes replay
  // them instead of reading the block again.
  struct block_event {
    bool is_tag = false;
    kvval text;
    int32_t line = 0;
    int32_t column = 0;
    // For a directive: its name and attributes, split once when recorded.
    bool parsed = false;
    std::string name;
    std::vector<tag_attribute> attributes;
  };
  struct block_recording {
    std::string block;
    std::vector<block_event> events;
    kvval tail;  // the pending text at the end of the input
    int32_t end_line = 1;
    int32_t end_column = 0;
  };
  void record(bool is_tag);
  bool replay(const block_recording& recording);
  void run_pass(int32_t index);

  kvarr output_;
  kvhash_array* variables_ = nullptr;
  int32_t loop_index_ = 0;
  const kvarr* loop_list_ = nullptr;
  int32_t if_depth_ = 0;
  int32_t for_depth_ = 0;
  int32_t mode_ = MODE_WRITE;
  int32_t deepest_ = 0;  // deepest nesting seen in the open outermost block
  std::string block_;    // text collected for the open outermost block

  kvi* root_ = this;     // the interpreter the caller runs; owns output
  int32_t nesting_ = 0;  // blocks being re-interpreted around this one
  const sink* sink_ = nullptr;
  bool write_failed_ = false;
  std::unique_ptr<kvi> pass_;  // runs this interpreter's blocks; reused
  block_recording* recording_ = nullptr;    // where this pass records
  const block_event* replayed_ = nullptr;   // the event being replayed
  std::unique_ptr<block_recording> cache_;  // the last block pass_ read
  std::string name_;  // scratch for the directive being run
  std::vector<tag_attribute> attributes_;
  std::string_view tag_text_;  // the directive without its "-->"
};

#endif  // DIRGEN_MARKUP_KVI_H_
