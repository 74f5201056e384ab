#include "markup/template_interpreter.h"

#include <algorithm>
#include <string>
#include <utility>

#include "text/output_encoding.h"

namespace {

// Blocks are handed to the interpreter that runs them in pieces of this
// size, so no piece comes near the input limit.
constexpr size_t kBlockPiece = 65536;

enum directive : int32_t {
  DIR_ECHO = 2,
  DIR_FOR = 3,
  DIR_ENDFOR = 4,
  DIR_IF = 5,
  DIR_ELSE = 6,
  DIR_ENDIF = 7,
};

}  // namespace

int32_t directive_code(std::string_view name) {
  if (name == "echo") return DIR_ECHO;
  if (name == "for") return DIR_FOR;
  if (name == "endfor") return DIR_ENDFOR;
  if (name == "if") return DIR_IF;
  if (name == "else") return DIR_ELSE;
  if (name == "endif") return DIR_ENDIF;
  return 0;
}

template_interpreter::template_interpreter() {
  set_limit(kMaxQueuedMarkup);
  set_wanted(variant(kind_bit(KIND_DIRECTIVE)));
  set_keep_text(variant(1));
}

template_interpreter::~template_interpreter() = default;

bool template_interpreter::on_text() {
  if (recording_) record(false);
  // Called at the '<' that starts the next tag (or at the end).
  tag_line_ = line();
  tag_column_ = column();
  pass_token();
  return !write_failed();
}

bool template_interpreter::on_end() {
  if (recording_)
    recording_->tail = block_event{false, token(), line(), column()};
  emit_token();
  reset_input();
  return !write_failed();
}

bool template_interpreter::on_tag() {
  if (recording_) record(true);
  std::string_view text = token_text();
  if (text.size() < 3) {
    pass_token();
    return !write_failed();
  }
  text.remove_suffix(3);  // the "-->"
  tag_text_ = text;
  if (replayed_ && replayed_->parsed) {
    name_ = replayed_->name;
  } else {
    // The name alone first: most directives inside a block are only passed
    // on, and need no attributes.
    parse_tag_pairs(text, /*fold=*/true, /*backslash=*/true,
                    /*name_only=*/true, &name_, &attributes_);
  }
  switch (directive_code(name_)) {
    case DIR_ECHO:
      run_echo();
      break;
    case DIR_FOR:
      run_for();
      break;
    case DIR_ENDFOR:
      run_endfor();
      break;
    case DIR_IF:
      run_if();
      break;
    case DIR_ELSE:
      run_else();
      break;
    case DIR_ENDIF:
      run_endif();
      break;
    default:
      pass_token();
      break;
  }
  return !write_failed();
}

// The list named by the directive's var attribute, or null.
const template_list* template_interpreter::find_variable() {
  if (replayed_ && variables_ && replayed_->looked_up_in == variables_) {
    return replayed_->list;
  }
  const template_list* list = look_up_variable();
  if (replayed_ && replayed_->parsed) {
    replayed_->list = list;
    replayed_->looked_up_in = variables_;
  }
  return list;
}

const template_list* template_interpreter::look_up_variable() {
  if (!replayed_ || !replayed_->parsed) {
    parse_tag_pairs(tag_text_, /*fold=*/true, /*backslash=*/true, false, &name_,
                    &attributes_);
  }
  const std::string* var = nullptr;
  for (const tag_attribute& a : current_attributes()) {
    if (a.first == "var") var = &a.second;  // a repeated var: the last one
  }
  if (!var || !variables_) return nullptr;
  return variables_->find(*var);
}

// The attributes of the directive being run, once find_variable has read
// them.
const std::vector<tag_attribute>& template_interpreter::current_attributes()
    const {
  return replayed_ && replayed_->parsed ? replayed_->attributes : attributes_;
}

// The value at the loop index when the list has one there, else the first.
// REQUIRES: list is not empty.
const variant& template_interpreter::select(const template_list& list) {
  const int32_t index =
      loop_index_ > 0 && loop_index_ < list.size() ? loop_index_ : 0;
  return list.at(index, &scratch_);
}

void template_interpreter::run_echo() {
  if (mode_ == MODE_DROP) return;
  if (mode_ == MODE_COLLECT) {
    pass_token();
    return;
  }
  const template_list* list = find_variable();
  if (!list || list->size() == 0) {
    emit_token();
    return;
  }
  // An optional encoding escapes the value for where it is written; a name
  // the interpreter does not know is the author's error, not a raw value.
  const std::string* name = nullptr;
  for (const tag_attribute& a : current_attributes()) {
    if (a.first == "encoding") name = &a.second;
  }
  if (!name) {
    emit(select(*list).view());
    return;
  }
  output_encoding encoding;
  if (!output_encoding_named(*name, &encoding)) {
    emit_error("unknown encoding " + *name);
    return;
  }
  std::string escaped;
  append_encoded(encoding, select(*list).view(), &escaped);
  emit(escaped);
}

// Tracks how deep the directives of the open outermost block nest.
void template_interpreter::note_depth() {
  if (if_depth_ + for_depth_ == 1) deepest_ = 0;
  deepest_ = std::max(deepest_, if_depth_ + for_depth_);
}

void template_interpreter::run_for() {
  if (if_depth_ > 0 || for_depth_ > 0) {
    pass_token();
  } else if (const template_list* list = find_variable()) {
    loop_list_ = list;
    mode_ = MODE_COLLECT;
    note_block_start();
  } else {
    emit_error("for over " + variable_name() +
               ", which a listing without such entries does not have");
    mode_ = MODE_WRITE;
  }
  ++for_depth_;
  note_depth();
}

void template_interpreter::run_endfor() {
  if (if_depth_ > 0 || for_depth_ != 1) {
    pass_token();
  } else {
    if (mode_ == MODE_COLLECT && loop_list_) run_block(0, loop_list_->size());
    block_.clear();
    mode_ = MODE_WRITE;
  }
  if (--for_depth_ < 0) {
    emit_error("endfor without for");
    for_depth_ = 0;
  }
}

void template_interpreter::run_if() {
  if (if_depth_ > 0 || for_depth_ > 0) {
    pass_token();
  } else {
    const template_list* list = find_variable();
    if (list && list->size() > 0) {
      mode_ = select(*list).as_int() != 0 ? MODE_COLLECT : MODE_DROP;
      note_block_start();
    } else {
      emit_error("if on " + variable_name() + ", which " +
                 (list ? "is empty here"
                       : "a listing without such entries does not have"));
      mode_ = MODE_WRITE;
    }
  }
  ++if_depth_;
  note_depth();
}

void template_interpreter::run_else() {
  if (if_depth_ != 1 || for_depth_ > 0) {
    pass_token();
  } else if (mode_ == MODE_COLLECT) {
    mode_ = MODE_DROP;
  } else if (mode_ == MODE_DROP) {
    mode_ = MODE_COLLECT;
    note_block_start();  // the block is the else branch
  }
}

void template_interpreter::run_endif() {
  if (if_depth_ != 1 || for_depth_ > 0) {
    pass_token();
  } else {
    run_block(loop_index_, 1);
    block_.clear();
    mode_ = MODE_WRITE;
  }
  if (--if_depth_ < 0) {
    emit_error("endif without if");
    if_depth_ = 0;
  }
}

// Mode rule for a piece of text: dropped, collected into the block, or
// written.
void template_interpreter::pass_token() {
  if (mode_ == MODE_COLLECT) block_.append(token_text());
  if (mode_ == MODE_WRITE) {
    emit_token();
  } else if (!replayed_) {
    token().set_length(0);
  }
}

void template_interpreter::emit(std::string_view text) {
  template_interpreter* root = root_;
  if (text.empty() || root->write_failed_) return;
  if (root->sink_) {
    if (!(*root->sink_)(text)) root->write_failed_ = true;
  } else {
    root->output_.push(variant(text));
  }
}

void template_interpreter::emit_token() {
  if (replayed_) {
    emit(replayed_->text.view());
    return;
  }
  variant& t = token();
  if (!t.view().empty() && !root_->sink_ && !root_->write_failed_) {
    root_->output_.push(std::move(t));  // moved, not copied
  } else {
    emit(t.view());
  }
  t.set_length(0);
}

void template_interpreter::emit_error(std::string what) {
  std::string message =
      "<b>Error occurred while processing KVI directive.</b> Line # " +
      std::to_string(line()) + " Col # " + std::to_string(column());
  note_fault(std::move(what));
  emit(message);
}

// The var attribute of the directive being run ("" without one).
std::string template_interpreter::variable_name() const {
  std::string name;
  for (const tag_attribute& a : current_attributes()) {
    if (a.first == "var") name = a.second;  // a repeated var: the last one
  }
  return name;
}

// The block of the outermost for or if starts after the directive just read.
void template_interpreter::note_block_start() {
  block_line_ = line();
  block_column_ = column();
}

// Keeps the first fault in the root, placed at the directive's first byte in
// the template: a pass counts from the start of its block, which its parent
// noted in its own count, and so on out to the root.
void template_interpreter::note_fault(std::string what) {
  template_fault& fault = root_->fault_;
  if (fault.line != 0) return;
  int32_t line = tag_line_;
  int32_t column = tag_column_;
  for (const template_interpreter* t = this; t->parent_; t = t->parent_) {
    if (line == 1) column += t->parent_->block_column_;
    line += t->parent_->block_line_ - 1;
  }
  if (line > 1) --column;  // the lexer counts a line feed as column 1
  fault = template_fault{line, column, std::move(what)};
}

// Interprets the block once per index from first_index on, each time as a
// fresh interpreter with that loop index. Output goes straight to the root's
// output, in order.
void template_interpreter::run_block(int32_t first_index, int32_t passes) {
  if (passes <= 0 || block_.empty()) return;
  if (deepest_ > kMaxBlockNesting || nesting_ >= kMaxBlockNesting) {
    emit_error("blocks nest deeper than " +
               std::to_string(kMaxBlockNesting));  // too deep to run
    return;
  }
  if (!pass_) pass_ = std::make_unique<template_interpreter>();
  for (int32_t i = 0; i < passes && !write_failed(); ++i) {
    run_pass(first_index + i);
  }
}

// One pass over the block: replayed when the block is the one recorded
// last, else read (and recorded when it fits one piece, so that the events
// cannot depend on where pieces end).
void template_interpreter::run_pass(int32_t index) {
  pass_->begin_pass(root_, this, nesting_ + 1, index);
  pass_->set_variables(variables_);
  if (cache_ && cache_->block == block_) {
    pass_->replay(*cache_);
    return;
  }
  if (block_.size() > kBlockPiece) {
    feed_block(pass_.get());
    return;
  }
  auto recording = std::make_unique<block_recording>();
  pass_->recording_ = recording.get();
  feed_block(pass_.get());
  pass_->recording_ = nullptr;
  if (write_failed()) return;
  recording->block = block_;
  cache_ = std::move(recording);
}

void template_interpreter::record(bool is_tag) {
  block_event e(is_tag, token(), line(), column());
  std::string_view text = e.text.view();
  if (is_tag && text.size() >= 3) {
    text.remove_suffix(3);  // the "-->"
    parse_tag_pairs(text, /*fold=*/true, /*backslash=*/true, false, &e.name,
                    &e.attributes);
    e.parsed = true;
  }
  recording_->events.push_back(std::move(e));
}

// Hands the recorded events to the hooks as the tokenizer did.
bool template_interpreter::replay(const block_recording& recording) {
  for (const block_event& e : recording.events) {
    line_ = e.line;
    column_ = e.column;
    replayed_ = &e;
    bool go_on = e.is_tag ? on_tag() : on_text();
    replayed_ = nullptr;
    if (!go_on) return false;
  }
  line_ = recording.tail.line;
  column_ = recording.tail.column;
  replayed_ = &recording.tail;
  bool done = on_end();
  replayed_ = nullptr;
  return done;
}

// Feeds the block to pass in pieces, then ends its input. Returns where the
// last parse stopped.
parse_status template_interpreter::feed_block(template_interpreter* pass) {
  std::string_view all = block_;
  variant spent;
  size_t offset = 0;
  for (;;) {
    if (offset < all.size()) {
      size_t n = std::min(kBlockPiece, all.size() - offset);
      pass->push(variant(all.substr(offset, n)));
      offset += n;
    } else {
      pass->set_end_of_input(true);
    }
    parse_status status = pass->parse();
    while (pass->drain(&spent)) {
    }
    if (status != parse_status::more) return status;
  }
}

// Back to a new interpreter's state, running inside root.
void template_interpreter::begin_pass(template_interpreter* root,
                                      const template_interpreter* parent,
                                      int32_t nesting, int32_t index) {
  clear_reader();
  root_ = root;
  parent_ = parent;
  nesting_ = nesting;
  loop_index_ = index;
  loop_list_ = nullptr;
  if_depth_ = 0;
  for_depth_ = 0;
  deepest_ = 0;
  mode_ = MODE_WRITE;
  block_.clear();
}
