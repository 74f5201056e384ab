// Fuzzes the markup_tokenizer tokenizer. The input chooses the wanted tag
// kinds, the keep-text flag and the chunk splits; the rest is markup. Checks:
// - reading it in random chunks gives exactly the events (text runs, tags
//   with their kinds, the final code) of reading it in one chunk;
// - with no kind wanted and text kept, the text runs give back the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "markup/markup_tokenizer.h"

namespace {

class recorder : public markup_tokenizer {
 public:
  std::string events;
  std::string text;

 protected:
  bool on_text() override {
    events.append("T:").append(token().view()).push_back('\0');
    text.append(token().view());
    return true;
  }
  bool on_tag() override {
    events.append("G").append(std::to_string(kind())).push_back(':');
    events.append(token().view()).push_back('\0');
    return true;
  }
};

// Feeds the pieces as a caller does (push, parse, drain), then ends the
// input. Returns the events and the final status.
std::string read_all(const std::vector<std::string_view>& pieces, int32_t mask,
                     bool keep, std::string* text) {
  recorder r;
  r.set_limit(kMaxQueuedMarkup);
  r.set_wanted(variant(mask));
  r.set_keep_text(variant(keep ? 1 : 0));
  variant spent;
  for (std::string_view piece : pieces) {
    r.push(variant(piece));
    parse_status status = r.parse();
    while (r.drain(&spent)) {
    }
    FUZZ_CHECK(status == parse_status::more, "parse stopped before the end");
  }
  r.set_end_of_input(true);
  parse_status status = r.parse();
  while (r.drain(&spent)) {
  }
  r.events.append("end:").append(std::to_string(static_cast<int>(status)));
  if (text) *text = r.text;
  return r.events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  int32_t mask = in.ConsumeIntegral<uint16_t>() & 0x7fff;
  bool keep = in.ConsumeBool();
  uint32_t seed = in.ConsumeIntegral<uint32_t>();
  std::string markup = in.ConsumeRemainingBytesAsString();

  std::string whole_text;
  std::string whole = read_all({markup}, mask, keep, &whole_text);
  std::string split =
      read_all(split_chunks(markup, seed, 1 + seed % 64), mask, keep, nullptr);
  FUZZ_CHECK(whole == split, "chunk splits changed the events");
  if (mask == 0 && keep) {
    FUZZ_CHECK(whole_text == markup, "text runs lost or changed bytes");
  }
  return 0;
}
