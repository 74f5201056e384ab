// Fuzzes read_archive over arbitrary bytes, written to a file as a user's
// archive would be. Whatever format the bytes resemble, reading must not
// crash and must leave a well-linked tree. A failure must say why. A
// success must give a tree a listing can trust: every name one non-empty
// path component other than "." without "/", each folder once among its
// siblings, and the same tree when the same bytes are read again.
#include <unistd.h>

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "listing/archive_reader.h"
#include "listing/file_tree.h"
#include "tree_shape.h"

namespace {

void check_names(const file_tree& tree) {
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    std::string_view name = n->full_name();
    FUZZ_CHECK(!name.empty() && name != ".", "an empty or \".\" name");
    FUZZ_CHECK(name.find('/') == std::string_view::npos, "a name holds /");
  }
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    std::set<std::string_view> folders;
    for (const file_node* c = n->first_child; c; c = c->next_sibling) {
      FUZZ_CHECK(!c->is_folder || folders.insert(c->full_name()).second,
                 "a folder is listed twice");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = scratch_path(".archive");
  FUZZ_CHECK(write_bytes(path, std::string_view(
                                   reinterpret_cast<const char*>(data), size)),
             "cannot write the scratch file");
  file_tree tree;
  archive_error err;
  bool ok = read_archive(path, &tree, nullptr, &err);
  fuzz_check_links(tree);
  if (!ok) {
    FUZZ_CHECK(!err.reason.empty(), "a failure without a reason");
    FUZZ_CHECK(err.failure != archive_failure::cancelled, "cancelled alone");
  } else {
    check_names(tree);
    file_tree again;
    FUZZ_CHECK(read_archive(path, &again, nullptr, &err),
               "a second read failed");
    FUZZ_CHECK(fuzz_tree_shape(again) == fuzz_tree_shape(tree),
               "two reads of the same bytes disagree");
  }
  unlink(path.c_str());
  return 0;
}
