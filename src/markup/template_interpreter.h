// template_interpreter: the template interpreter. A markup_tokenizer reader
// that wants only directive comments ("<!--#name attr=value-->") and keeps
// text: bytes outside directives are copied to the output unchanged, and the
// directives echo, for/endfor and if/else/endif are replaced by what they mean,
// reading the caller's variables (named lists). Used by the listing build
// through run_template_file (template_run.h).
//
// Values are written as stored, unless an echo names an encoding
// (<!--#echo var=name_all encoding=json-->: html, url, json, csv or
// markdown, see text/output_encoding.h); an unknown encoding writes the
// error message in its place.
#ifndef DIRGEN_MARKUP_TEMPLATE_INTERPRETER_H_
#define DIRGEN_MARKUP_TEMPLATE_INTERPRETER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "markup/markup_tokenizer.h"
#include "markup/parse_tag.h"
#include "markup/template_variables.h"
#include "value/value_list.h"
#include "value/variant.h"

// A directive in error: where it stands (line from 1 and column from 1 of
// its first byte, counted in the template as a whole; line 0: no fault) and
// what is wrong ("unknown variable nmae_html_files; did you mean
// name_html_files?").
struct template_fault {
  int32_t line = 0;
  int32_t column = 0;
  std::string what;
};

// Directive codes, as the directive table gives them (0: not a directive).
int32_t directive_code(std::string_view name);

class template_interpreter : public markup_tokenizer {
 public:
  using sink = std::function<bool(std::string_view)>;

  // A block whose for and if directives nest deeper than this is not run:
  // the error message stands in its place, at its closing directive. So no
  // template makes blocks re-interpreted inside each other more than this
  // deep, and a deeply nested template costs no more than a flat one.
  static constexpr int32_t kMaxBlockNesting = 200;

  // Mode "write", no variables, loop index 0, limit kMaxQueuedMarkup.
  template_interpreter();
  ~template_interpreter() override;

  // The variables the directives read (not owned, never changed; null: no
  // variables).
  void set_variables(const template_variables* variables) {
    variables_ = variables;
  }
  // Sends every output chunk to *write as soon as it is produced instead of
  // queueing it in output(). A false result stops the interpreter: parse()
  // then returns parse_status::stopped and write_failed() is true. *write
  // must outlive the interpreter.
  void set_sink(const sink* write) { sink_ = write; }
  bool write_failed() const { return root_->write_failed_; }
  // The first directive the interpreter wrote its error message for (line
  // 0 when none): a for or if on a list the variables do not have, an if on
  // an empty list, an unknown encoding, a closing directive with nothing
  // open, blocks nested too deep.
  const template_fault& first_fault() const { return root_->fault_; }
  // After parse() returned parse_status::done: whether the input ended
  // inside an if or a found for (what that block collected is dropped).
  bool block_open() const { return mode_ != MODE_WRITE; }
  // The output chunks produced so far, in order (without a sink). Callers
  // take them off with shift().
  value_list& output() { return output_; }

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

  const std::vector<tag_attribute>& current_attributes() const;
  void run_echo();
  void run_for();
  void run_endfor();
  void run_if();
  void run_else();
  void run_endif();

  const template_list* find_variable();
  const template_list* look_up_variable();
  const variant& select(const template_list& list);
  void pass_token();
  void emit(std::string_view text);
  void emit_token();
  // The text of the token the hooks are given: the recorded one while an
  // event is replayed (the token itself is then left alone), else token().
  std::string_view token_text() {
    return replayed_ ? replayed_->text.view() : token().view();
  }
  void emit_error(std::string what);
  std::string variable_name() const;
  void note_block_start();
  void note_fault(std::string what);
  void note_depth();
  void run_block(int32_t first_index, int32_t passes);
  parse_status feed_block(template_interpreter* pass);
  void begin_pass(template_interpreter* root,
                  const template_interpreter* parent, int32_t nesting,
                  int32_t index);

  // What the tokenizer handed the hooks during one pass over a block: the
  // same block text always gives the same events, so later passes replay
  // them instead of reading the block again.
  struct block_event {
    block_event(bool tag, variant token, int32_t at_line, int32_t at_column)
        : is_tag(tag),
          text(std::move(token)),
          line(at_line),
          column(at_column) {}

    bool is_tag;
    variant text;
    int32_t line;
    int32_t column;
    // For a directive: its name and attributes, split once when recorded.
    bool parsed = false;
    std::string name;
    std::vector<tag_attribute> attributes;
    // The list its var attribute names in the variables looked_up_in, once
    // looked up (lists live as long as their variables).
    mutable const template_variables* looked_up_in = nullptr;
    mutable const template_list* list = nullptr;
  };
  struct block_recording {
    std::string block;
    std::vector<block_event> events;
    // The pending text at the end of the input, where the input ended.
    block_event tail{false, variant(""), 1, 0};
  };
  void record(bool is_tag);
  bool replay(const block_recording& recording);
  void run_pass(int32_t index);

  value_list output_;
  const template_variables* variables_ = nullptr;
  int32_t loop_index_ = 0;
  const template_list* loop_list_ = nullptr;
  variant scratch_;  // where a list may make the value select() returns
  int32_t if_depth_ = 0;
  int32_t for_depth_ = 0;
  int32_t mode_ = MODE_WRITE;
  int32_t deepest_ = 0;  // deepest nesting seen in the open outermost block
  std::string block_;    // text collected for the open outermost block

  template_interpreter* root_ =
      this;              // the interpreter the caller runs; owns output
  int32_t nesting_ = 0;  // blocks being re-interpreted around this one
  const sink* sink_ = nullptr;
  bool write_failed_ = false;
  template_fault fault_;  // in the root: the first fault of the run
  const template_interpreter* parent_ = nullptr;  // runs this pass's block
  // Where the open outermost block starts: after the directive that ends
  // at this line and column (as line() and column() count).
  int32_t block_line_ = 1;
  int32_t block_column_ = 0;
  // Where the tag being run starts (its '<', as line() and column() count).
  int32_t tag_line_ = 1;
  int32_t tag_column_ = 1;
  std::unique_ptr<template_interpreter>
      pass_;  // runs this interpreter's blocks; reused
  block_recording* recording_ = nullptr;    // where this pass records
  const block_event* replayed_ = nullptr;   // the event being replayed
  std::unique_ptr<block_recording> cache_;  // the last block pass_ read
  std::string name_;  // scratch for the directive being run
  std::vector<tag_attribute> attributes_;
  std::string_view tag_text_;  // the directive without its "-->"
};

#endif  // DIRGEN_MARKUP_TEMPLATE_INTERPRETER_H_
