// template_check: reads a whole template before a build runs it and finds
// what the interpreter would put an error message in the listing for, so a
// build can refuse the template instead: a for, if or echo without a var,
// or naming a variable that is not known; an encoding no echo knows; an
// endfor, else or endif without its opening directive or closing another
// kind of block; a second else; a block left open at the end; blocks nested
// deeper than the interpreter runs them. Directives of other names are
// passed through by the interpreter and not checked. (What only a run can
// tell, a loop over a list an empty listing does not have, the interpreter
// reports itself: template_interpreter::first_fault.)
//
// Threading: no shared state; one check per call.
#ifndef DIRGEN_MARKUP_TEMPLATE_CHECK_H_
#define DIRGEN_MARKUP_TEMPLATE_CHECK_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "markup/template_interpreter.h"

// Checks the template read from file (from its current position to its
// end; the position is left at the end) against the variables known. True
// when the template has no fault; false with *fault for the first one
// (placed at the first byte of its directive), or
// with fault->line 0 and fault->what the system's reason when the file
// could not be read.
bool check_template_file(FILE* file, const std::vector<std::string_view>& known,
                         template_fault* fault);

// The same over text fed in chunks of chunk_size bytes.
bool check_template_text(std::string_view text,
                         const std::vector<std::string_view>& known,
                         template_fault* fault, size_t chunk_size = 8092);

#endif  // DIRGEN_MARKUP_TEMPLATE_CHECK_H_
