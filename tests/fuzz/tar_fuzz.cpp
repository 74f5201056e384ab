// Fuzzes the tar reader: the header decoder on the input's first block and
// the stream reader on the whole input, through a source that may fail at
// an offset the input chooses. Checks that the tree stays well linked, that
// every node came from a header block and that a failing source is never
// reported as a good archive.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_util.h"
#include "listing/archive_stream.h"
#include "listing/kvfile_tree.h"
#include "listing/tar_header.h"
#include "listing/tar_reader.h"
#include "tree_shape.h"

namespace {

// The input's bytes as a stream; fails with -1 once a read reaches
// fail_at (never when fail_at is negative).
class memory_stream : public archive_stream {
 public:
  memory_stream(const std::string& bytes, int64_t fail_at)
      : bytes_(bytes), fail_at_(fail_at) {}
  int64_t read(char* buf, int64_t n) override {
    if (fail_at_ >= 0 && pos_ + n > fail_at_) {
      failed_ = true;
      return -1;
    }
    int64_t left = static_cast<int64_t>(bytes_.size()) - pos_;
    int64_t k = std::min(n, left);
    std::memcpy(buf, bytes_.data() + pos_, static_cast<size_t>(k));
    pos_ += k;
    return k;
  }
  bool failed() const { return failed_; }

 private:
  const std::string& bytes_;
  int64_t fail_at_;
  int64_t pos_ = 0;
  bool failed_ = false;
};

int64_t count_nodes(const kvfile_tree& tree) {
  int64_t n = 0;
  for (const kvfile_node* p = tree.root(); p; p = kvfile_tree::next_preorder(p))
    ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  bool fail = in.ConsumeBool();
  int64_t fail_at = fail ? in.ConsumeIntegralInRange<int64_t>(0, 1 << 16) : -1;
  std::string bytes = in.ConsumeRemainingBytesAsString();

  char block[kTarBlockSize] = {};
  std::memcpy(block, bytes.data(),
              std::min<size_t>(bytes.size(), sizeof block));
  tar_header h;
  if (read_tar_header(block, &h)) {
    FUZZ_CHECK(h.name.find('\0') == std::string::npos, "NUL in a name");
  }
  parse_tar_number(block + 124, 12);
  parse_octal(block + 136, 12);
  header_sum(block);

  memory_stream stream(bytes, fail_at);
  kvfile_tree tree;
  tar_status status = read_tar_stream(&stream, &tree);
  fuzz_check_links(tree);
  FUZZ_CHECK(count_nodes(tree) <= static_cast<int64_t>(bytes.size() / 512),
             "more nodes than header blocks");
  if (stream.failed()) {
    FUZZ_CHECK(status != tar_status::ok, "a failed read passed for success");
  }
  if (status == tar_status::ok) {
    FUZZ_CHECK(bytes.empty() || bytes.size() >= 512, "a short archive passed");
  }
  return 0;
}
