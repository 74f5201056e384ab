// Fuzzes the template interpreter over a fixed variable table shaped like
// the build's (lists of several lengths, flags, texts, an empty list). The
// input's first bytes choose the chunk size; the rest is the template.
// Checks:
// - the output and the result do not depend on the chunk size;
// - a template without "<!--#" is copied byte for byte.
// Templates with many loops are skipped: nested loops multiply by design,
// and the fuzzer is after faults, not after slow templates.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "markup/template_run.h"
#include "value/name_table.h"
#include "value/value_list.h"

namespace {

constexpr int kMaxLoops = 6;

const template_variables* variables() {
  static const template_variables* vars = [] {
    auto* v = new list_table;
    for (const char* s : {"a", "b", "c"}) v->add("all", variant(s));
    for (const char* s : {"x.txt", "y&z.txt"}) v->add("name_files", variant(s));
    v->add("files", variant(1));
    v->add("files", variant(2));
    v->add("show_summary", variant(1));
    v->add("zero", variant(0));
    v->add("half", variant(0.5));
    v->add("title", variant("<!--#echo var=title-->"));
    v->add("dir_all", variant(1));
    v->add("dir_all", variant(0));
    v->insert_list("empty", std::make_unique<value_list>());
    return new table_variables(v);
  }();
  return vars;
}

int count_loops(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  int n = 0;
  for (size_t p = lower.find("for"); p != std::string::npos;
       p = lower.find("for", p + 1)) {
    ++n;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  size_t chunk = 1 + in.ConsumeIntegral<uint8_t>() % 97;
  std::string text = in.ConsumeRemainingBytesAsString();
  if (count_loops(text) > kMaxLoops) return -1;  // not added to the corpus

  std::string whole, pieces, whole_err, pieces_err;
  bool whole_ok = run_template_text(text, variables(), &whole, &whole_err);
  bool pieces_ok =
      run_template_text(text, variables(), &pieces, &pieces_err, chunk);
  FUZZ_CHECK(whole_ok == pieces_ok, "the chunk size changed the result");
  FUZZ_CHECK(whole == pieces, "the chunk size changed the output");
  FUZZ_CHECK(whole_ok, "a run in memory failed: " + whole_err);
  if (text.find("<!--#") == std::string::npos) {
    FUZZ_CHECK(whole == text, "a template without directives changed");
  }
  return 0;
}
