// Fuzzes read_zip. The input chooses a mode:
// - raw: the rest of the input is written as a .zip as it is;
// - built: the rest is split at '\n' into entry names (each entry's data
//   is its name), written by minizip, then kept, cut short at an offset or
//   changed in one byte.
// An intact archive must list one file node per entry with data; a cut or
// changed one may fail, but never crash or leave a broken tree.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_util.h"
#include "listing/archive_fixture_test_util.h"
#include "listing/kvfile_tree.h"
#include "listing/zip_reader.h"
#include "tree_shape.h"

namespace {

constexpr size_t kMaxEntries = 16;

std::vector<zip_spec> entries_of(const std::string& text) {
  std::vector<zip_spec> entries;
  std::istringstream lines(text);
  std::string line;
  while (entries.size() < kMaxEntries && std::getline(lines, line)) {
    zip_spec e;
    e.name = line.substr(0, line.find('\0'));  // minizip stops at a NUL
    e.data = line;
    entries.push_back(e);
  }
  return entries;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

int32_t count_files(const kvfile_tree& tree) {
  int32_t n = 0;
  for (const kvfile_node* p = tree.root(); p; p = kvfile_tree::next_preorder(p))
    n += p->is_folder ? 0 : 1;
  return n;
}

int read_checked(const std::string& path, kvfile_tree* tree) {
  int code = read_zip(kvval(std::string_view(path)), tree);
  fuzz_check_links(*tree);
  FUZZ_CHECK(code == 0 || code == 1 || code == 3,
             "unexpected code " + std::to_string(code));
  return code;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  uint8_t mode = in.ConsumeIntegral<uint8_t>() % 4;
  uint32_t where = in.ConsumeIntegral<uint32_t>();
  uint8_t flip = in.ConsumeIntegral<uint8_t>();
  std::string rest = in.ConsumeRemainingBytesAsString();
  std::string path = scratch_path(".zip");
  kvfile_tree tree;
  if (mode == 0) {
    FUZZ_CHECK(write_bytes(path, rest), "cannot write the scratch file");
    read_checked(path, &tree);
    unlink(path.c_str());
    return 0;
  }
  std::vector<zip_spec> entries = entries_of(rest);
  FUZZ_CHECK(write_zip(path, entries), "minizip could not write the zip");
  int with_data = 0;
  for (const zip_spec& e : entries) with_data += e.data.empty() ? 0 : 1;
  if (mode == 1) {
    int code = read_checked(path, &tree);
    FUZZ_CHECK(code == (entries.empty() ? 3 : 0), "an intact zip failed");
    FUZZ_CHECK(count_files(tree) == with_data, "entries lost or invented");
  } else {
    std::string bytes = slurp(path);
    if (mode == 2) {
      bytes.resize(where % (bytes.size() + 1));
    } else if (!bytes.empty()) {
      bytes[where % bytes.size()] ^= static_cast<char>(flip | 1);
    }
    FUZZ_CHECK(write_bytes(path, bytes), "cannot write the scratch file");
    read_checked(path, &tree);
  }
  unlink(path.c_str());
  return 0;
}
