#include "markup/template_run.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The run loop: read a chunk (read returns false on an error, else a chunk,
// empty at the end), push it or end the input, parse, drop the consumed
// chunks; stop at the first status other than more.
template <typename Read>
bool run_loop(Read read, const template_variables* variables,
              const std::function<bool(std::string_view)>& write,
              std::string* err, template_fault* fault) {
  template_interpreter interpreter;
  interpreter.set_variables(variables);
  interpreter.set_sink(&write);
  variant spent;
  for (;;) {
    variant chunk;
    if (!read(&chunk, err)) return false;
    if (chunk.length() > 0) {
      interpreter.push(std::move(chunk));
    } else {
      interpreter.set_end_of_input(true);
    }
    parse_status status = interpreter.parse();
    while (interpreter.drain(&spent)) {
    }
    if (fault) *fault = interpreter.first_fault();
    switch (status) {
      case parse_status::more:
        break;
      case parse_status::done:
        return true;
      case parse_status::too_big:
        *err = "a piece of the template is too big";
        return false;
      case parse_status::stopped:
        *err = "the output could not be written";
        return false;
    }
  }
}

}  // namespace

bool run_template_file(FILE* template_file, const template_variables* variables,
                       const std::function<bool(std::string_view)>& write,
                       std::string* err, template_fault* fault) {
  char buf[kMarkupReadChunk];
  auto read = [&](variant* chunk, std::string* read_err) {
    size_t n = std::fread(buf, 1, sizeof buf, template_file);
    if (n == 0 && std::ferror(template_file)) {
      *read_err =
          std::string("can't read the template: ") + std::strerror(errno);
      return false;
    }
    *chunk = variant::text(buf, static_cast<int32_t>(n));
    return true;
  };
  return run_loop(read, variables, write, err, fault);
}

bool run_template_text(std::string_view text,
                       const template_variables* variables, std::string* out,
                       std::string* err, size_t chunk_size,
                       template_fault* fault) {
  if (chunk_size == 0) chunk_size = kMarkupReadChunk;
  size_t offset = 0;
  auto read = [&](variant* chunk, std::string*) {
    size_t n = std::min(chunk_size, text.size() - offset);
    *chunk = variant(text.substr(offset, n));
    offset += n;
    return true;
  };
  std::function<bool(std::string_view)> write = [out](std::string_view s) {
    out->append(s);
    return true;
  };
  return run_loop(read, variables, write, err, fault);
}
