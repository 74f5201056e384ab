#include "markup/kvi_run.h"

#include <algorithm>

namespace {

// The run loop: read a chunk (read returns its size, 0 at the end, -1 on an
// error), push it or end the input, parse, drop the consumed chunks; stop
// at the first non-zero code.
template <typename Read>
int run_loop(Read read, const kvi_variables* variables,
             const std::function<bool(std::string_view)>& write) {
  kvi interpreter;
  interpreter.set_variables(variables);
  interpreter.set_sink(&write);
  kvval spent;
  for (;;) {
    kvval chunk;
    long n = read(&chunk);
    if (n < 0) return KVI_READ_FAILED;
    if (n > 0) {
      interpreter.push(std::move(chunk));
    } else {
      interpreter.set_end_of_input(true);
    }
    int rc = interpreter.parse();
    while (interpreter.drain(&spent)) {
    }
    if (rc != PARSE_MORE) return rc;
  }
}

}  // namespace

int run_template_file(FILE* template_file, const kvi_variables* variables,
                      const std::function<bool(std::string_view)>& write) {
  char buf[kTemplateChunk];
  auto read = [&](kvval* chunk) -> long {
    size_t n = std::fread(buf, 1, sizeof buf, template_file);
    if (n == 0) return std::ferror(template_file) ? -1 : 0;
    *chunk = kvval::text(buf, static_cast<int32_t>(n));
    return static_cast<long>(n);
  };
  return run_loop(read, variables, write);
}

int run_template_text(std::string_view text, const kvi_variables* variables,
                      std::string* out, size_t chunk_size) {
  if (chunk_size == 0) chunk_size = kTemplateChunk;
  size_t offset = 0;
  auto read = [&](kvval* chunk) -> long {
    size_t n = std::min(chunk_size, text.size() - offset);
    if (n == 0) return 0;
    *chunk = kvval(text.substr(offset, n));
    offset += n;
    return static_cast<long>(n);
  };
  std::function<bool(std::string_view)> write = [out](std::string_view s) {
    out->append(s);
    return true;
  };
  return run_loop(read, variables, write);
}
