// Running a whole template through the template interpreter: the
// template is read in chunks of kMarkupReadChunk bytes and every output chunk
// is handed to the caller as soon as it is produced, so neither the template
// nor the output is held whole. Used by the listing build (and by tests, from a
// string).
#ifndef DIRGEN_MARKUP_TEMPLATE_RUN_H_
#define DIRGEN_MARKUP_TEMPLATE_RUN_H_

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "markup/template_interpreter.h"
#include "markup/template_variables.h"

// Runs the template read from template_file (from its current position to
// its end) over variables (not changed; may be null: no variables), calling
// write with each output chunk in order. True when the whole template was
// read and all its output written; an if or for block left open at the end
// is no error (what it collected is dropped). False with *err saying why
// when reading failed or write returned false (the run stops there). When
// fault is given, it receives the interpreter's first_fault() (line 0 when
// the interpreter wrote no error message).
bool run_template_file(FILE* template_file, const template_variables* variables,
                       const std::function<bool(std::string_view)>& write,
                       std::string* err, template_fault* fault = nullptr);

// Runs the template text, fed in chunks of chunk_size bytes, and appends
// the output to *out. Results as run_template_file.
bool run_template_text(std::string_view text,
                       const template_variables* variables, std::string* out,
                       std::string* err, size_t chunk_size = kMarkupReadChunk,
                       template_fault* fault = nullptr);

#endif  // DIRGEN_MARKUP_TEMPLATE_RUN_H_
