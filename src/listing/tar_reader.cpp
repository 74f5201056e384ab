#include "listing/tar_reader.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "listing/archive_folders.h"
#include "listing/tar_header.h"

namespace {

// Metadata headers bigger than this are taken as damage, not as names.
constexpr int64_t kMaxMetaSize = int64_t{64} << 20;
// Sizes above this cannot be real (and would overflow the block rounding).
constexpr int64_t kMaxEntrySize = std::numeric_limits<int64_t>::max() / 2;

// What metadata headers say about the next entry.
struct tar_overrides {
  std::string long_name;  // GNU 'L'
  std::string path;       // pax "path"
  bool has_long_name = false, has_path = false;
  bool has_size = false, has_time = false;
  int64_t size = 0, time = 0;
};

int64_t padded(int64_t n) {
  return (n + kTarBlockSize - 1) / kTarBlockSize * kTarBlockSize;
}

// Skips n data bytes and their padding. The padding of the archive's last
// entry may be missing; the data itself may not.
tar_status skip_data(archive_stream* in, int64_t n) {
  if (n == 0) return tar_status::ok;
  int64_t got = in->skip(padded(n));
  if (got < 0) return tar_status::source_error;
  return got < n ? tar_status::malformed : tar_status::ok;
}

// Reads the n data bytes of a metadata header (and skips their padding).
tar_status read_data(archive_stream* in, int64_t n, std::string* out) {
  if (n > kMaxMetaSize) return tar_status::malformed;
  out->resize(static_cast<size_t>(n));
  int64_t got = in->read(out->data(), n);
  if (got < 0) return tar_status::source_error;
  if (got < n) return tar_status::malformed;
  if (in->skip(padded(n) - n) < 0) return tar_status::source_error;
  return tar_status::ok;
}

// A decimal integer at the start of s (optional "-"); stops at the first
// other byte, so "1700000000.25" gives 1700000000.
int64_t leading_integer(std::string_view s) {
  bool negative = !s.empty() && s[0] == '-';
  uint64_t v = 0;
  for (size_t i = negative ? 1 : 0; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') break;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
  }
  return negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
}

// Applies one pax record "key=value" to the overrides.
void apply_pax_record(std::string_view key, std::string_view value,
                      tar_overrides* next) {
  if (key == "path") {
    next->path.assign(value);
    next->has_path = true;
  } else if (key == "size") {
    next->size = leading_integer(value);
    next->has_size = next->size >= 0 && next->size <= kMaxEntrySize;
  } else if (key == "mtime") {
    next->time = leading_integer(value);
    next->has_time = true;
  }
}

// Parses pax records "LEN key=value\n"; stops at the first malformed one.
void parse_pax(std::string_view data, tar_overrides* next) {
  while (!data.empty()) {
    size_t space = data.find(' ');
    if (space == std::string_view::npos) return;
    int64_t len = leading_integer(data.substr(0, space));
    if (len <= static_cast<int64_t>(space) + 1 ||
        len > static_cast<int64_t>(data.size())) {
      return;
    }
    std::string_view record = data.substr(space + 1, len - space - 1);
    if (!record.empty() && record.back() == '\n') record.remove_suffix(1);
    size_t eq = record.find('=');
    if (eq != std::string_view::npos) {
      apply_pax_record(record.substr(0, eq), record.substr(eq + 1), next);
    }
    data.remove_prefix(len);
  }
}

// Handles a metadata header. Returns false when h is an ordinary entry.
bool read_metadata(archive_stream* in, const tar_header& h, tar_overrides* next,
                   tar_status* status) {
  std::string data;
  switch (h.type) {
    case 'L':
      *status = read_data(in, h.size, &data);
      next->long_name = data.substr(0, data.find('\0'));
      next->has_long_name = true;
      return true;
    case 'x':
      *status = read_data(in, h.size, &data);
      parse_pax(data, next);
      return true;
    case 'K':
    case 'g':
      *status = skip_data(in, h.size);
      return true;
    default:
      return false;
  }
}

// Makes the node of an ordinary entry and places it in the tree. Returns
// the number of data bytes that follow its header.
int64_t add_entry(const tar_header& h, const tar_overrides& next,
                  archive_folders* folders) {
  std::string name = next.has_path        ? next.path
                     : next.has_long_name ? next.long_name
                                          : h.name;
  if (!name.empty() && name.back() == '/') name.pop_back();
  kvfile_node* parent = folders->walk_down(&name);
  kvfile_node* node = folders->make_node(name, h.type == '5');
  node->valid = h.checksum_ok ? 1 : 0;
  int64_t data_size = 0;
  if (!node->is_folder) {
    data_size = next.has_size ? next.size : h.size;
    node->size = data_size;
    node->time = next.has_time ? next.time : h.time;
  }
  folders->append(node, parent);
  return data_size;
}

// After the end-of-archive block: consumes the rest of the source, so that
// a damaged compressed tail is still noticed.
tar_status drain(archive_stream* in) {
  return in->skip(std::numeric_limits<int64_t>::max()) < 0
             ? tar_status::source_error
             : tar_status::ok;
}

}  // namespace

tar_status read_tar_stream(archive_stream* in, kvfile_tree* tree) {
  tree->clear();
  archive_folders folders(tree);
  tar_overrides next;
  char block[kTarBlockSize];
  for (;;) {
    int64_t got = in->read(block, kTarBlockSize);
    if (got < 0) return tar_status::source_error;
    if (got == 0) return tar_status::ok;
    if (got < kTarBlockSize) return tar_status::malformed;
    tar_header h;
    if (!read_tar_header(block, &h)) return drain(in);
    if (h.size < 0 || h.size > kMaxEntrySize) {
      return tar_status::malformed;
    }
    tar_status status = tar_status::ok;
    if (!read_metadata(in, h, &next, &status)) {
      status = skip_data(in, add_entry(h, next, &folders));
      next = tar_overrides();
    }
    if (status != tar_status::ok) return status;
  }
}

bool read_tar(const kvval& path, kvfile_tree* tree) {
  tree->clear();
  std::unique_ptr<archive_file_stream> in =
      archive_file_stream::open(path.str());
  if (!in) return false;
  return read_tar_stream(in.get(), tree) == tar_status::ok;
}
