// Running a whole template through the kvi interpreter: the template is read
// in chunks of 8092 bytes and every output chunk is handed to the caller as
// soon as it is produced, so neither the template nor the output is held
// whole. Used by the listing build (and by tests, from a string).
#ifndef DIRGEN_MARKUP_KVI_RUN_H_
#define DIRGEN_MARKUP_KVI_RUN_H_

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "markup/kvi.h"
#include "markup/kvi_variables.h"

// Result of a run besides the interpreter's codes (PARSE_DONE 2: finished;
// KVI_BLOCK_OPEN 3: an if or for was left open; PARSE_TOO_BIG 1;
// KVI_WRITE_FAILED 4: write returned false, the run stopped there).
enum kvi_run_code : int {
  KVI_READ_FAILED = 5,  // reading the template failed; the run stopped
};

// Size of the template chunks handed to the interpreter.
constexpr size_t kTemplateChunk = 8092;

// Runs the template read from template_file (from its current position to
// its end) over variables (not changed; may be null: no variables), calling
// write with each output chunk in order. Returns the interpreter's final
// code as above; PARSE_DONE and KVI_BLOCK_OPEN both mean the whole template
// was read and all its output written.
int run_template_file(FILE* template_file, const kvi_variables* variables,
                      const std::function<bool(std::string_view)>& write);

// Runs the template text, fed in chunks of chunk_size bytes, and appends
// the output to *out. Returns the interpreter's final code.
int run_template_text(std::string_view text, const kvi_variables* variables,
                      std::string* out, size_t chunk_size = kTemplateChunk);

#endif  // DIRGEN_MARKUP_KVI_RUN_H_
