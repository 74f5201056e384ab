// Fuzzes the gzip-compressed tar path of read_archive. The input chooses a
// mode and the rest is tar data:
// - raw: the bytes are written as a .tgz as they are (mostly not gzip at
//   all, which zlib passes through unchanged);
// - compressed: the bytes are gzip-compressed by the target, then maybe
//   cut short or have one byte changed, and written as a .tgz.
// An intact compressed file must read exactly like the same bytes as a
// .tar; a cut one must never read as a good archive.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <string>

#include "fuzz_util.h"
#include "listing/archive_reader.h"
#include "listing/kvfile_tree.h"
#include "tree_shape.h"

namespace {

std::string gzip(const std::string& bytes) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return "";
  std::string out(deflateBound(&z, bytes.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return rc == Z_STREAM_END ? out : "";
}

// Reads bytes written to a scratch file with the given suffix.
int read_as(const std::string& bytes, const std::string& suffix,
            kvfile_tree* tree) {
  std::string path = scratch_path(suffix);
  FUZZ_CHECK(write_bytes(path, bytes), "cannot write the scratch file");
  int code = read_archive(kvval(std::string_view(path)), tree);
  unlink(path.c_str());
  fuzz_check_links(*tree);
  FUZZ_CHECK(code == 0 || code == 100 || code == 310,
             "unexpected code " + std::to_string(code));
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  uint8_t mode = in.ConsumeIntegral<uint8_t>() % 4;
  uint32_t where = in.ConsumeIntegral<uint32_t>();
  uint8_t flip = in.ConsumeIntegral<uint8_t>();
  std::string tar = in.ConsumeRemainingBytesAsString();

  kvfile_tree tree;
  if (mode == 0) {
    read_as(tar, ".tgz", &tree);
    return 0;
  }
  std::string packed = gzip(tar);
  FUZZ_CHECK(!packed.empty(), "zlib could not compress");
  if (mode == 1) {
    kvfile_tree plain;
    int plain_code = read_as(tar, ".tar", &plain);
    int code = read_as(packed, ".tgz", &tree);
    FUZZ_CHECK(code == plain_code, "gzip and plain tar disagree on the code");
    FUZZ_CHECK(fuzz_tree_shape(tree) == fuzz_tree_shape(plain),
               "gzip and plain tar disagree on the entries");
  } else if (mode == 2) {
    packed.resize(where % packed.size());
    FUZZ_CHECK(read_as(packed, ".tar_gz", &tree) != 0 || packed.empty(),
               "a cut gzip file read as a good archive");
  } else {
    packed[where % packed.size()] ^= static_cast<char>(flip | 1);
    read_as(packed, ".TGZ", &tree);
  }
  return 0;
}
